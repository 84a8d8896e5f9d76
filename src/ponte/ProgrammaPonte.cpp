#include "ponte/ProgrammaPonte.h"

#include "ponte/ImpostazioniPonte.h"
#include "ponte/Ponte.h"
#include "ponte/Registro.h"
#include "settings/CartellaImpostazioni.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <csignal>
#include <unistd.h>

namespace {

int g_pipeSegnali[2] = {-1, -1};

void segnale(int)
{
    // Only async-signal-safe work here: wake the event loop through the pipe.
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipeSegnali[1], &c, 1);
}

// Where the panel keeps its settings when it picks the folder itself.
QString cartellaDelPannello()
{
    const QString utente = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           QStringLiteral("/brivola");
    return scegliCartellaImpostazioni(QCoreApplication::applicationDirPath(), utente).cartella;
}

} // namespace

int eseguiProgrammaPonte(QCoreApplication &app)
{
    QCoreApplication::setApplicationName(QStringLiteral("brivola-ponte"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRIVOLA_VERSIONE));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Ponte MQTT della scheda domotica Brivola, con la discovery di Home "
                       "Assistant.\nLegge il collegamento alla scheda da \"Porte.INI\", i nomi "
                       "da \"Impostazioni.INI\" e il broker dalla sezione [MQTT] di "
                       "\"Ponte.INI\"."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {QStringLiteral("impostazioni"),
         QStringLiteral("Cartella delle impostazioni (predefinita: quella del pannello)."),
         QStringLiteral("cartella")},
        {QStringLiteral("una-volta"),
         QStringLiteral("Legge ogni punto una volta, pubblica ed esce.")},
        {QStringLiteral("debug"), QStringLiteral("Scrive anche le righe di debug.")},
    });
    // For tests against the simulator, which needs none of the board's pacing.
    QCommandLineOption pausa(QStringLiteral("pausa"),
                             QStringLiteral("Pausa dopo ogni carattere TCP o pezzo seriale, in "
                                            "ms, al posto di quella della scheda."),
                             QStringLiteral("ms"));
    pausa.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(pausa);
    parser.process(app);
    Registro::setDebug(parser.isSet(QStringLiteral("debug")));

    const QString cartella = parser.isSet(QStringLiteral("impostazioni"))
                                 ? QDir(parser.value(QStringLiteral("impostazioni"))).absolutePath()
                                 : cartellaDelPannello();
    Registro::info(QStringLiteral("brivola-ponte %1, impostazioni in %2")
                       .arg(QCoreApplication::applicationVersion(), cartella));
    const LetturaImpostazioniPonte lettura = leggiImpostazioniPonte(cartella);
    if (!lettura.errore.isEmpty()) {
        Registro::errore(lettura.errore);
        return 2;
    }

    Ponte::Opzioni opzioni;
    opzioni.cartella = cartella;
    opzioni.unaVolta = parser.isSet(QStringLiteral("una-volta"));
    opzioni.versione = QCoreApplication::applicationVersion();
    if (parser.isSet(pausa)) {
        bool numero = false;
        const int ms = parser.value(pausa).toInt(&numero);
        if (!numero || ms < 0 || ms > 10000) {
            Registro::errore(QStringLiteral("--pausa: un numero di ms da 0 a 10000"));
            return 2;
        }
        opzioni.tempi.carattereTcpMs = ms;
        opzioni.tempi.primoPezzoMs = ms;
        opzioni.tempi.pezzoMs = ms;
    }
    Ponte ponte(opzioni, lettura.impostazioni);

    if (::pipe(g_pipeSegnali) != 0) {
        Registro::errore(QStringLiteral("pipe dei segnali non creata"));
        return 1;
    }
    QSocketNotifier notificaSegnali(g_pipeSegnali[0], QSocketNotifier::Read);
    QObject::connect(&notificaSegnali, &QSocketNotifier::activated, &app, [&] {
        Registro::info(QStringLiteral("arresto richiesto"));
        notificaSegnali.setEnabled(false);
        ponte.ferma();
        QCoreApplication::exit(0);
    });
    struct sigaction azione
    {
    };
    azione.sa_handler = segnale;
    sigemptyset(&azione.sa_mask);
    sigaction(SIGTERM, &azione, nullptr);
    sigaction(SIGINT, &azione, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    QObject::connect(&ponte, &Ponte::concluso, &app,
                     [](int codice) { QCoreApplication::exit(codice); });
    if (const QString errore = ponte.avvia(); !errore.isEmpty()) {
        Registro::errore(errore);
        return 2;
    }
    return app.exec();
}
