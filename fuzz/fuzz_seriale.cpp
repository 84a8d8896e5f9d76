// Serial reception in the real main window through a real pseudo-terminal: any bytes, in any
// chunking, with any board page on screen and its request sent, so that each ready prompt in
// the stream lets a command out and the response after it is read for that page. The first
// byte picks the page, the second the chunk size; the rest is what the board sends.
#include "app/NavigazionePagine.h"
#include "app/TfrmMain.h"
#include "core/Messaggi.h"
#include "core/ValoriProgramma.h"
#include "link/Collegamento.h"
#include "link/Invio.h"
#include "link/Temporizzazioni.h"
#include "link/TrasportoSeriale.h"
#include "protocol/SessioneScheda.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct Linea
{
    int master = -1;
    int slave = -1;
    QString nome;

    Linea()
    {
        char percorso[128] = {};
        termios modo{};
        cfmakeraw(&modo);
        if (openpty(&master, &slave, percorso, &modo, nullptr) != 0) {
            std::abort();
        }
        // The panel's commands are read off as they come, never waited for.
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        nome = QString::fromLocal8Bit(percorso);
    }

    // The whole chunk, however often a signal or a full line interrupts the write.
    void scrivi(const char *dati, size_t dimensione) const
    {
        while (dimensione > 0) {
            const ssize_t scritti = ::write(master, dati, dimensione);
            if (scritti < 0) {
                if (errno == EINTR || errno == EAGAIN) {
                    QCoreApplication::processEvents();
                    continue;
                }
                std::abort();
            }
            dati += scritti;
            dimensione -= size_t(scritti);
        }
    }

    // What the panel wrote, dropped, so its writes never fill the line.
    void svuota() const
    {
        char scarto[4096];
        while (::read(master, scarto, sizeof scarto) > 0) {
        }
    }

    int inAttesa() const
    {
        int byte = 0;
        return ioctl(slave, FIONREAD, &byte) == 0 ? byte : 0;
    }
};

// The board's pacing cut to nothing: the reads, not the pauses, are under test.
Temporizzazioni tempiFuzz()
{
    Temporizzazioni tempi;
    tempi.carattereTcpMs = 0;
    tempi.primoPezzoMs = 0;
    tempi.pezzoMs = 0;
    tempi.attesaProntoMs = 1000;
    tempi.attesaIngressoMs = 1000;
    return tempi;
}

TfrmMain &finestraSuLinea(const Linea &linea, MessaggiRegistrati &messaggi)
{
    static QTemporaryDir cartella;
    QFile porte(cartella.filePath(QStringLiteral("Porte.INI")));
    if (!porte.open(QIODevice::WriteOnly)) {
        std::abort();
    }
    porte.write("[TIPO]\nCollegamento=0\n[Porta]\nNumero=1\nVelocita=38400\nDispositivo=" +
                linea.nome.toLocal8Bit() + "\n");
    porte.close();
    static TfrmMain finestra(&messaggi, cartella.path(), nullptr, tempiFuzz());
    // The window records what it receives in the history on a thread of its own, and Qt's
    // statics made meanwhile go at exit before a static window would: when the run ends the
    // process ends at once instead. Findings never get here: libFuzzer ends on them itself.
    std::atexit([] { std::_Exit(0); });
    finestra.show();
    finestra.collegamento().VerificaCollegamento();
    if (!finestra.collegamento().seriale().isAttivo()) {
        std::abort();
    }
    return finestra;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t dimensione)
{
    static int argc = 1;
    static char nome[] = "fuzz_seriale";
    static char *argv[] = {nome, nullptr};
    static const bool piattaforma = qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication applicazione(argc, argv);
    static const Linea linea;
    static MessaggiRegistrati messaggi;
    static TfrmMain &finestra = finestraSuLinea(linea, messaggi);
    (void)piattaforma;
    if (dimensione < 2) {
        return 0;
    }
    // One of the seven board and peripheral pages, with its request waiting for a prompt.
    finestra.navigazione().mostraPagina(ValoriProgramma::UsciteDigitali + dati[0] % 7);
    QCoreApplication::processEvents();
    finestra.navigazione().richiestaPaginaAperta();

    const size_t pezzo = 1 + dati[1];
    for (size_t pos = 2; pos < dimensione; pos += pezzo) {
        linea.scrivi(reinterpret_cast<const char *>(dati + pos), std::min(pezzo, dimensione - pos));
        // Until the port has taken the chunk and the commands it let out are written.
        for (int giro = 0; giro < 1000 && linea.inAttesa() > 0; ++giro) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            linea.svuota();
        }
        QCoreApplication::processEvents();
        linea.svuota();
    }
    // The next input starts from a quiet conversation, as after the session's own close, but
    // with the line still open.
    SessioneScheda &sessione = finestra.sessione();
    sessione.invio().ferma();
    finestra.collegamento().seriale().interrompiScrittura();
    sessione.lettore().azzera();
    QCoreApplication::processEvents();
    linea.svuota();
    messaggi.svuota();
    return 0;
}
