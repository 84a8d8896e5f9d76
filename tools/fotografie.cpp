// Takes the README's pictures from the real main window, linked to the in-process board
// simulator over loopback TCP: every page of `pcPagine` at each window size of kDimensioni, the
// connection bars and whichever alarm dialogs the pages can open. Usage:
// brivola-fotografie OUTPUT_FOLDER MARKDOWN_FILE
// The markdown file receives one block per picture at the window's first size (image and one
// line, and the links to the same page at the other sizes), for the README.
#include "SimulatoreScheda.h"

#include "app/BarraStato.h"
#include "app/TfrmMain.h"
#include "core/Messaggi.h"
#include "core/ValoriProgramma.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

// The window's first size, whose pictures keep their plain names, then the larger ones.
const QSize kDimensioni[] = {{751, 585}, {1280, 1024}, {1920, 1080}};

struct Pagina
{
    int indice;
    const char *file;
    const char *titolo;
    const char *descrizione;
    // The operator's way in: a control on the home page or on the page before.
    const char *ingresso;
};

// Board pages are entered from the home page; peripheral pages from their board page.
const Pagina kPagine[] = {
    {ValoriProgramma::Home, "home.png", "Home",
     "the four entries to the board's pages; clicking the picture starts over as at start-up.",
     nullptr},
    {ValoriProgramma::UsciteDigitali, "uscite-digitali.png", "Uscite Digitali",
     "the eight relays, light red when on: click one to switch it, \"Reset\" clears them all.",
     "lbUD"},
    {ValoriProgramma::IngressiDigitali, "ingressi-digitali.png", "Ingressi Digitali",
     "the eight digital inputs with their alarm settings, sent to the board with \"Invio "
     "Impostazioni\", and the continuous reporting switch.",
     "lbID"},
    {ValoriProgramma::UsciteAnalogiche, "uscite-analogiche.png", "Uscite Analogiche",
     "sets the two analog outputs in percent and reads them back on the LED displays.", "lbUA"},
    {ValoriProgramma::IngressiAnalogici, "ingressi-analogici.png", "Ingressi Analogici",
     "the eight analog inputs scaled to their units and ranges, with their alarm thresholds.",
     "lbIA"},
    {ValoriProgramma::PerifUsciteDigitali, "perif-uscite-digitali.png", "Perif. Uscite Digitali",
     "the relays of one of the eight peripheral units behind the board.", "sbPUD"},
    {ValoriProgramma::PerifIngressiDigitali, "perif-ingressi-digitali.png",
     "Perif. Ingressi Digitali", "the digital inputs of one peripheral unit, read only.", "sbPID"},
    {ValoriProgramma::PerifUsciteAnalogiche, "perif-uscite-analogiche.png",
     "Perif. Uscite Analogiche", "sets and reads the analog channels of one peripheral unit.",
     "sbPUA"},
    {ValoriProgramma::Configurazione, "configurazione.png", "Configurazione",
     "the name of every point, unit and range of each analog input, and the alarm relay time "
     "(menu \"Settaggi\").",
     "Settaggi1"},
};

struct Dialogo
{
    int pagina;
    const char *classe;
    const char *pulsante; // the alarm button of input 1
    const char *file;
    const char *titolo;
    const char *descrizione;
};

const Dialogo kDialoghi[] = {
    {ValoriProgramma::IngressiDigitali, "TfrmStato", "SpeedButton5",
     "allarme-ingresso-digitale.png", "Stato (digital input alarm)",
     "the alarm of one digital input: off, or on the high or the low level."},
    {ValoriProgramma::IngressiAnalogici, "TfrmStatoAnalogici", "SpeedButton14",
     "allarme-ingresso-analogico.png", "Stato (analog input alarm)",
     "the alarm of one analog input: off, or on with its lower and upper thresholds."},
};

class Fotografo
{
public:
    Fotografo(const QString &cartella, const QString &fileTesto)
        : m_cartella(cartella), m_testo(fileTesto)
    {
    }

    int esegui()
    {
        if (!m_testo.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(m_testo.fileName()));
            return 1;
        }
        m_simulatore.setDeriva(false);
        m_simulatore.setSeme(7);
        for (const char *riga : {"ingresso 2 1", "ingresso 5 1", "analogico 1 30000",
                                 "analogico 3 12000", "unita 1 ingresso 3 1"}) {
            m_simulatore.imposta(QLatin1String(riga));
        }
        const quint16 porta = m_simulatore.avviaTcp();
        if (porta == 0) {
            std::fprintf(stderr, "the simulator did not start\n");
            return 1;
        }
        QObject::connect(&m_simulatore, &SimulatoreScheda::datiRicevuti, &m_simulatore,
                         [this] { m_quiete.restart(); });
        QFile porte(m_impostazioni.filePath(QStringLiteral("Porte.INI")));
        if (!porte.open(QIODevice::WriteOnly)) {
            return 1;
        }
        porte.write(
            QStringLiteral("[TIPO]\r\nCollegamento=1\r\n[TCP]\r\nIP=127.0.0.1\r\nPorta=%1\r\n")
                .arg(porta)
                .toUtf8());
        porte.close();

        m_finestra = std::make_unique<TfrmMain>(&m_messaggi, m_impostazioni.path());
        m_finestra->show();
        if (!QTest::qWaitForWindowExposed(m_finestra.get())) {
            std::fprintf(stderr, "the window did not show\n");
            return 1;
        }
        m_pagine = m_finestra->findChild<QStackedWidget *>(QStringLiteral("pcPagine"));

        for (const QSize &dimensione : kDimensioni) {
            if (!ridimensiona(dimensione)) {
                std::fprintf(stderr, "the window did not take %dx%d\n", dimensione.width(),
                             dimensione.height());
                return 1;
            }
            m_prima = &dimensione == &kDimensioni[0];
            for (const Pagina &pagina : kPagine) {
                visita(pagina, dimensione);
            }
        }
        // The bars at the first size again, last: an open bar would show on the pages.
        m_prima = true;
        if (!ridimensiona(kDimensioni[0])) {
            return 1;
        }
        fotografaAvviso();
        fotografaBarre();
        scriviTesto();
        for (const QString &testo : m_messaggi.testi(MessaggiRegistrati::Tipo::Avviso) +
                                        m_messaggi.testi(MessaggiRegistrati::Tipo::Messaggio) +
                                        m_messaggi.testi(MessaggiRegistrati::Tipo::Errore)) {
            std::printf("message shown meanwhile: %s\n", qPrintable(testo));
        }
        return m_errori;
    }

private:
    template <typename T> T *trova(const char *nome) const
    {
        return m_finestra->findChild<T *>(QLatin1String(nome));
    }

    void attendiQuiete()
    {
        // The page's requests and their replies are over once the panel has sent nothing for
        // a while; the board keeps sending its idle prompt meanwhile.
        m_quiete.restart();
        QElapsedTimer limite;
        limite.start();
        while (m_quiete.elapsed() < 1500 && limite.elapsed() < 30000) {
            QTest::qWait(50);
        }
    }

    void tornaAllaHome()
    {
        for (int passo = 0; passo < 3 && m_pagine->currentIndex() != 0; ++passo) {
            QWidget *corrente = m_pagine->currentWidget();
            QPushButton *scelto = nullptr;
            for (QPushButton *pulsante : corrente->findChildren<QPushButton *>()) {
                const QString nome = pulsante->objectName();
                if (pulsante->text() == QLatin1String("Pagina Iniziale") ||
                    nome == QLatin1String("sbUD") || nome == QLatin1String("sbID") ||
                    nome == QLatin1String("sbUA")) {
                    scelto = pulsante;
                    break;
                }
            }
            if (!scelto) {
                break;
            }
            QTest::mouseClick(scelto, Qt::LeftButton);
            attendiQuiete();
        }
        m_pagine->setCurrentIndex(0);
    }

    void entra(const Pagina &pagina)
    {
        if (!pagina.ingresso) {
            tornaAllaHome();
            return;
        }
        // A peripheral page is entered from its board page, which is entered from home.
        const int padre = pagina.indice >= ValoriProgramma::PerifUsciteDigitali &&
                                  pagina.indice <= ValoriProgramma::PerifUsciteAnalogiche
                              ? pagina.indice - 4
                              : 0;
        if (padre == 0) {
            tornaAllaHome();
        } else if (m_pagine->currentIndex() != padre) {
            tornaAllaHome();
            entra(kPagine[padre]);
        }
        if (QAction *azione = trova<QAction>(pagina.ingresso)) {
            azione->trigger();
        } else if (QWidget *controllo = trova<QWidget>(pagina.ingresso);
                   controllo && controllo->isVisible()) {
            QTest::mouseClick(controllo, Qt::LeftButton);
        }
        attendiQuiete();
        if (m_pagine->currentIndex() != pagina.indice) {
            std::printf("page %d: not reached through %s, shown directly\n", pagina.indice,
                        pagina.ingresso);
            m_pagine->setCurrentIndex(pagina.indice);
            attendiQuiete();
        }
    }

    bool ridimensiona(QSize dimensione)
    {
        m_finestra->resize(dimensione);
        QElapsedTimer limite;
        limite.start();
        while (m_finestra->size() != dimensione && limite.elapsed() < 5000) {
            QTest::qWait(50);
        }
        QTest::qWait(200);
        return m_finestra->size() == dimensione;
    }

    void visita(const Pagina &pagina, QSize dimensione)
    {
        entra(pagina);
        if (m_prima && pagina.indice == ValoriProgramma::UsciteDigitali) {
            // Two relays on, so the picture shows both state colours; the board keeps them
            // for the larger sizes.
            for (const char *nome : {"sbUD2", "sbUD6"}) {
                if (QWidget *rele = trova<QWidget>(nome)) {
                    QTest::mouseClick(rele, Qt::LeftButton);
                    attendiQuiete();
                }
            }
        }
        fotografaFinestra(QLatin1String(pagina.file), pagina.titolo, pagina.descrizione,
                          dimensione);
        if (pagina.indice == ValoriProgramma::Configurazione) {
            // The tab with the range limits, the page's short fields.
            auto *schede = trova<QTabWidget>("pcSettaggio");
            QWidget *analogici = trova<QWidget>("tsIA");
            if (schede && analogici) {
                schede->setCurrentWidget(analogici);
                fotografaFinestra(QStringLiteral("configurazione-ingressi-analogici.png"),
                                  "Configurazione > Ingressi Analogici",
                                  "names, units and ranges of the analog inputs.", dimensione);
                schede->setCurrentIndex(0);
            }
        }
        if (!m_prima) {
            return;
        }
        for (const Dialogo &dialogo : kDialoghi) {
            if (dialogo.pagina == pagina.indice) {
                fotografaDialogo(dialogo);
            }
        }
    }

    // The window as it stands: at the first size under `file` in a block of its own, at the
    // others with the size in the name, linked from that block.
    void fotografaFinestra(const QString &file, const char *titolo, const char *descrizione,
                           QSize dimensione)
    {
        if (m_prima) {
            salva(m_finestra.get(), file, titolo, descrizione);
            return;
        }
        const QString misura =
            QStringLiteral("%1x%2").arg(dimensione.width()).arg(dimensione.height());
        QString nome = file;
        nome.insert(nome.lastIndexOf(QLatin1Char('.')), QLatin1Char('-') + misura);
        if (!fotografa(m_finestra.get(), nome)) {
            return;
        }
        for (Blocco &blocco : m_blocchi) {
            if (blocco.file == file) {
                blocco.altre << qMakePair(misura, nome);
            }
        }
    }

    void fotografaDialogo(const Dialogo &dialogo)
    {
        QWidget *pulsante = trova<QWidget>(dialogo.pulsante);
        if (!pulsante || !pulsante->isVisible()) {
            std::printf("%s: no %s on page %d, skipped\n", dialogo.classe, dialogo.pulsante,
                        dialogo.pagina);
            return;
        }
        // The button runs the dialog modally, so the picture is taken from inside its loop.
        bool preso = false;
        QElapsedTimer attesa;
        attesa.start();
        QTimer cerca;
        cerca.setInterval(100);
        QObject::connect(&cerca, &QTimer::timeout, &cerca, [&] {
            for (QWidget *finestra : QApplication::topLevelWidgets()) {
                if (finestra->isVisible() && finestra->inherits(dialogo.classe)) {
                    cerca.stop();
                    QTest::qWait(300);
                    salva(finestra, QLatin1String(dialogo.file), dialogo.titolo,
                          dialogo.descrizione);
                    preso = true;
                    finestra->close();
                    return;
                }
            }
            if (attesa.elapsed() > 5000) {
                cerca.stop();
                if (QWidget *modale = QApplication::activeModalWidget()) {
                    modale->close();
                }
            }
        });
        cerca.start();
        QTest::mouseClick(pulsante, Qt::LeftButton);
        while (cerca.isActive()) {
            QTest::qWait(50);
        }
        if (!preso) {
            std::printf("%s: no such dialog after %s, skipped\n", dialogo.classe, dialogo.pulsante);
        }
        attendiQuiete();
    }

    // A relay clicked while the board is silent: the notice in status panel 1, whole.
    void fotografaAvviso()
    {
        entra(kPagine[ValoriProgramma::UsciteDigitali]);
        m_simulatore.setMuto(true);
        QWidget *rele = trova<QWidget>("sbUD5");
        auto *barra = m_finestra->barraStato();
        if (rele) {
            QTest::mouseClick(rele, Qt::LeftButton);
        }
        QElapsedTimer limite;
        limite.start();
        while (!barra->testo(1).startsWith(QLatin1String("Comando non inviato")) &&
               limite.elapsed() < 30000) {
            QTest::qWait(50);
        }
        if (barra->testo(1).startsWith(QLatin1String("Comando non inviato"))) {
            salva(m_finestra.get(), QStringLiteral("avviso-uscite-digitali.png"),
                  "Uscite Digitali, a command that could not go out",
                  "a relay clicked while the board gave no ready prompt: status panel 1 says "
                  "why, whole, widened into the room the connection text leaves.");
        } else {
            std::printf("no notice after a relay click on a silent board, skipped\n");
        }
        m_simulatore.setMuto(false);
    }

    void fotografaBarre()
    {
        tornaAllaHome();
        if (QAction *seriale = trova<QAction>("mCollSeriale")) {
            seriale->trigger();
            salva(m_finestra.get(), QStringLiteral("barra-seriale.png"), "Collegamento > Seriale",
                  "the serial bar: the port number and the serial device, detected or typed, "
                  "saved with the button on the right.");
        }
        if (QAction *tcp = trova<QAction>("mCollTcp")) {
            tcp->trigger();
            salva(m_finestra.get(), QStringLiteral("barra-tcp.png"), "Collegamento > TCP/IP",
                  "the TCP bar: the board's address and port, saved with the button on the "
                  "right.");
        }
    }

    bool fotografa(QWidget *widget, const QString &file)
    {
        QTest::qWait(200);
        const QString percorso = m_cartella + QLatin1Char('/') + file;
        if (!widget->grab().save(percorso)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(percorso));
            ++m_errori;
            return false;
        }
        std::printf("%s\n", qPrintable(percorso));
        return true;
    }

    void salva(QWidget *widget, const QString &file, const char *titolo, const char *descrizione)
    {
        if (fotografa(widget, file)) {
            m_blocchi.append({QString::fromUtf8(titolo), QString::fromUtf8(descrizione), file, {}});
        }
    }

    void scriviTesto()
    {
        QTextStream testo(&m_testo);
        for (const Blocco &blocco : m_blocchi) {
            testo << "**" << blocco.titolo << "**: " << blocco.descrizione << "\n\n!["
                  << blocco.titolo << "](docs/" << blocco.file << ")\n\n";
            if (blocco.altre.isEmpty()) {
                continue;
            }
            QStringList collegamenti;
            for (const auto &[misura, file] : blocco.altre) {
                collegamenti << QStringLiteral("[%1](docs/%2)").arg(misura, file);
            }
            testo << "The same page in a larger window: " << collegamenti.join(QStringLiteral(", "))
                  << ".\n\n";
        }
    }

    QString m_cartella;
    QFile m_testo;
    QTemporaryDir m_impostazioni;
    SimulatoreScheda m_simulatore;
    MessaggiRegistrati m_messaggi;
    std::unique_ptr<TfrmMain> m_finestra;
    QStackedWidget *m_pagine = nullptr;
    QElapsedTimer m_quiete;
    int m_errori = 0;

    struct Blocco
    {
        QString titolo;
        QString descrizione;
        QString file;
        // The same page at the larger sizes: the size as text and the file.
        QList<QPair<QString, QString>> altre;
    };
    QList<Blocco> m_blocchi;
    // Taking the pictures at the window's first size.
    bool m_prima = true;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList argomenti = QApplication::arguments();
    if (argomenti.size() != 3) {
        std::fprintf(stderr, "usage: brivola-fotografie OUTPUT_FOLDER MARKDOWN_FILE\n");
        return 2;
    }
    QDir().mkpath(argomenti.at(1));
    Fotografo fotografo(argomenti.at(1), argomenti.at(2));
    return fotografo.esegui();
}
