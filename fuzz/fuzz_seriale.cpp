// Serial reception in the real main window through a real pseudo-terminal: any bytes, in any
// chunking, with any subset of the seven page framers on. The first byte picks the framers,
// the second the chunk size; the rest is what the board sends.
#include "app/TfrmMain.h"
#include "core/Messaggi.h"
#include "core/ValoriProgramma.h"
#include "link/Collegamento.h"
#include "link/Framer.h"
#include "link/Seriale.h"
#include "protocol/FramerPagine.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

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

    int inAttesa() const
    {
        int byte = 0;
        return ioctl(slave, FIONREAD, &byte) == 0 ? byte : 0;
    }
};

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
    static TfrmMain finestra(&messaggi, cartella.path());
    finestra.collegamento().VerificaCollegamento();
    if (!finestra.collegamento().seriale().isOpen()) {
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
    for (int i = 0; i < FramerPagine::Numero; ++i) {
        finestra.framer().framer(FramerPagine::Indice(i))->setEnabled(dati[0] & (1 << i));
    }
    const size_t pezzo = 1 + dati[1];
    for (size_t pos = 2; pos < dimensione; pos += pezzo) {
        linea.scrivi(reinterpret_cast<const char *>(dati + pos), std::min(pezzo, dimensione - pos));
        // Until the port has taken the chunk: the reads, not the writes, are under test.
        for (int giro = 0; giro < 1000 && linea.inAttesa() > 0; ++giro) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        QCoreApplication::processEvents();
    }
    finestra.framer().disattivaTutti();
    messaggi.svuota();
    return 0;
}
