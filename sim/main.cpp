// brivola-scheda: a stand-in for the home-automation board, for tests and demos.
#include "SimulatoreScheda.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

int g_pipeSegnali[2] = {-1, -1};

void segnale(int)
{
    // Only async-signal-safe work here: wake the event loop through the pipe.
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipeSegnali[1], &c, 1);
}

int fallisci(const QString &messaggio)
{
    std::fprintf(stderr, "brivola-scheda: %s\n", qPrintable(messaggio));
    return 1;
}

bool leggiIntero(const QCommandLineParser &parser, const QString &opzione, int &valore)
{
    if (!parser.isSet(opzione)) {
        return true;
    }
    bool ok = false;
    valore = parser.value(opzione).toInt(&ok);
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brivola-scheda"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulatore della scheda domotica (TCP e linea seriale)."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("tcp"), QStringLiteral("Serve TCP su HOST:PORTA (porta 0: libera)."),
         QStringLiteral("host:porta")},
        {QStringLiteral("pty"),
         QStringLiteral("Crea uno pseudo-terminale e ne stampa il percorso.")},
        {QStringLiteral("device"), QStringLiteral("Usa un dispositivo seriale esistente."),
         QStringLiteral("percorso")},
        {QStringLiteral("baud"), QStringLiteral("Velocità del dispositivo seriale."),
         QStringLiteral("baud"), QStringLiteral("38400")},
        {QStringLiteral("intervallo"), QStringLiteral("Periodo del prompt F? a riposo, in ms."),
         QStringLiteral("ms"), QStringLiteral("300")},
        {QStringLiteral("seed"), QStringLiteral("Seme dei valori casuali."), QStringLiteral("n"),
         QStringLiteral("1")},
        {QStringLiteral("senza-deriva"), QStringLiteral("Ingressi e letture fermi.")},
        {QStringLiteral("log"), QStringLiteral("Registra ogni blocco ricevuto nel file."),
         QStringLiteral("file")},
        {QStringLiteral("imposta"),
         QStringLiteral("Imposta un punto all'avvio, come una riga dello standard input "
                        "(\"ingresso 3 1\", \"analogico 2 40000\", \"unita 2 uscita 1 1\", "
                        "\"unita 2 ingresso 4 1\", \"unita 6 canale 3 25\", \"unita 3 assente\"). "
                        "Ripetibile."),
         QStringLiteral("riga")},
        {QStringLiteral("muto"), QStringLiteral("Non invia mai F?.")},
        {QStringLiteral("non-numerico"), QStringLiteral("Valori analogici non numerici.")},
        {QStringLiteral("perdi-risposte"), QStringLiteral("Non invia le prime N risposte."),
         QStringLiteral("n")},
        {QStringLiteral("chiudi-dopo"), QStringLiteral("Chiude la connessione TCP dopo N comandi."),
         QStringLiteral("n")},
    });
    parser.process(app);

    int baud = 38400;
    int intervallo = 300;
    int seme = 1;
    int perdi = 0;
    int chiudiDopo = 0;
    if (!leggiIntero(parser, QStringLiteral("baud"), baud) ||
        !leggiIntero(parser, QStringLiteral("intervallo"), intervallo) ||
        !leggiIntero(parser, QStringLiteral("seed"), seme) ||
        !leggiIntero(parser, QStringLiteral("perdi-risposte"), perdi) ||
        !leggiIntero(parser, QStringLiteral("chiudi-dopo"), chiudiDopo)) {
        return fallisci(QStringLiteral("valore numerico non valido"));
    }
    if (parser.isSet(QStringLiteral("pty")) && parser.isSet(QStringLiteral("device"))) {
        return fallisci(QStringLiteral("--pty e --device si escludono"));
    }

    SimulatoreScheda simulatore(&app);
    simulatore.setSeme(static_cast<quint32>(seme));
    simulatore.setIntervallo(intervallo);
    simulatore.setDeriva(!parser.isSet(QStringLiteral("senza-deriva")));
    simulatore.setMuto(parser.isSet(QStringLiteral("muto")));
    simulatore.setCorpoNonNumerico(parser.isSet(QStringLiteral("non-numerico")));
    simulatore.perdiRisposte(perdi);
    simulatore.chiudiDopoComandi(chiudiDopo);
    if (parser.isSet(QStringLiteral("log")) &&
        !simulatore.setRegistro(parser.value(QStringLiteral("log")))) {
        return fallisci(simulatore.errore());
    }

    for (const QString &riga : parser.values(QStringLiteral("imposta"))) {
        const QString errore = simulatore.imposta(riga);
        if (!errore.isEmpty()) {
            return fallisci(errore);
        }
    }

    const bool serveSeriale =
        parser.isSet(QStringLiteral("pty")) || parser.isSet(QStringLiteral("device"));
    // Without any link option the board listens on loopback.
    if (parser.isSet(QStringLiteral("tcp")) || !serveSeriale) {
        QString host = QStringLiteral("127.0.0.1");
        QString porta = QStringLiteral("0");
        const QString valore = parser.value(QStringLiteral("tcp"));
        const qsizetype duePunti = valore.lastIndexOf(QLatin1Char(':'));
        if (duePunti >= 0) {
            if (duePunti > 0) {
                host = valore.left(duePunti);
            }
            porta = valore.mid(duePunti + 1);
        } else if (!valore.isEmpty()) {
            porta = valore;
        }
        bool ok = false;
        const uint numero = porta.toUInt(&ok);
        const QHostAddress indirizzo(host);
        if (!ok || numero > 65535 || indirizzo.isNull()) {
            return fallisci(QStringLiteral("indirizzo TCP non valido: %1").arg(valore));
        }
        const quint16 aperta = simulatore.avviaTcp(indirizzo, static_cast<quint16>(numero));
        if (aperta == 0) {
            return fallisci(simulatore.errore());
        }
        std::printf("TCP %s:%u\n", qPrintable(indirizzo.toString()), aperta);
    }
    if (parser.isSet(QStringLiteral("pty"))) {
        const QString percorso = simulatore.apriPty();
        if (percorso.isEmpty()) {
            return fallisci(simulatore.errore());
        }
        std::printf("PTY %s\n", qPrintable(percorso));
    }
    if (parser.isSet(QStringLiteral("device"))) {
        const QString percorso = parser.value(QStringLiteral("device"));
        if (!simulatore.apriDispositivo(percorso, baud)) {
            return fallisci(simulatore.errore());
        }
        std::printf("SERIALE %s\n", qPrintable(percorso));
    }
    std::fflush(stdout);

    if (::pipe(g_pipeSegnali) != 0) {
        return fallisci(QStringLiteral("pipe"));
    }
    QSocketNotifier notificaSegnali(g_pipeSegnali[0], QSocketNotifier::Read);
    QObject::connect(&notificaSegnali, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction azione
    {
    };
    azione.sa_handler = segnale;
    sigemptyset(&azione.sa_mask);
    sigaction(SIGTERM, &azione, nullptr);
    sigaction(SIGINT, &azione, nullptr);
    // A panel that vanishes mid-write must not kill the board.
    std::signal(SIGPIPE, SIG_IGN);

    // Lines on standard input set points while the board runs.
    QSocketNotifier notificaComandi(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray righeInArrivo;
    QObject::connect(&notificaComandi, &QSocketNotifier::activated, &app, [&] {
        char blocco[512];
        const ssize_t letti = ::read(STDIN_FILENO, blocco, sizeof blocco);
        if (letti <= 0) {
            notificaComandi.setEnabled(false); // end of input: keep serving
            return;
        }
        righeInArrivo.append(blocco, letti);
        qsizetype fine = 0;
        while ((fine = righeInArrivo.indexOf('\n')) >= 0) {
            const QString riga = QString::fromUtf8(righeInArrivo.left(fine)).trimmed();
            righeInArrivo.remove(0, fine + 1);
            if (riga.isEmpty()) {
                continue;
            }
            const QString errore = simulatore.imposta(riga);
            std::fprintf(stderr, "%s\n", errore.isEmpty() ? "ok" : qPrintable(errore));
        }
    });

    return app.exec();
}
