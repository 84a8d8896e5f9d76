// The panel as a whole process on a real X server ($DISPLAY, e.g. Xvfb), beside a bare Qt 6
// window and one with a menu and a label, measured the same way in the same run: from the start of the process to the first
// paint of its window (X DAMAGE), the resident memory then, and from Ctrl+Q to the process
// gone. The ratios hold when the machine's speed drifts; the times alone do not.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>

#include <benchmark/benchmark.h>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {

double adessoMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double residenteMb(pid_t pid)
{
    std::ifstream stato("/proc/" + std::to_string(pid) + "/status");
    std::string riga;
    while (std::getline(stato, riga)) {
        if (riga.rfind("VmRSS:", 0) == 0) {
            return std::atof(riga.c_str() + 6) / 1024.0;
        }
    }
    return -1;
}

struct Esito
{
    double primaPitturaMs = -1;
    double residenteMb = -1;
    double uscitaMs = -1;
};

// Waits for the next X event up to `limite` (monotonic ms); false at the limit.
bool prossimoEvento(Display *schermo, XEvent &evento, double limite)
{
    while (XPending(schermo) == 0) {
        const double resta = limite - adessoMs();
        if (resta <= 0) {
            return false;
        }
        pollfd attesa{ConnectionNumber(schermo), POLLIN, 0};
        poll(&attesa, 1, int(resta) + 1);
    }
    XNextEvent(schermo, &evento);
    return true;
}

// Starts `programma` in `cartella`, waits for its first painted top-level window, reads its
// memory, then presses Ctrl+Q on that window and waits for the process to end.
Esito misura(Display *schermo, const std::string &programma, const std::string &cartella,
             const char *argomento = nullptr)
{
    int baseDanni = 0;
    int baseErrori = 0;
    Esito esito;
    if (!XDamageQueryExtension(schermo, &baseDanni, &baseErrori)) {
        return esito;
    }
    const Window radice = DefaultRootWindow(schermo);
    XSelectInput(schermo, radice, SubstructureNotifyMask);
    XSync(schermo, True);

    const double inizio = adessoMs();
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(cartella.c_str()) != 0) {
            _exit(127);
        }
        execl(programma.c_str(), programma.c_str(), argomento, static_cast<char *>(nullptr));
        _exit(127);
    }
    std::vector<Damage> danni;
    Window dipinta = 0;
    XEvent evento;
    const double limite = inizio + 20000;
    while (dipinta == 0 && prossimoEvento(schermo, evento, limite)) {
        if (evento.type == CreateNotify) {
            // Watched from its creation, so no paint can come before the watch.
            danni.push_back(
                XDamageCreate(schermo, evento.xcreatewindow.window, XDamageReportNonEmpty));
        } else if (evento.type == baseDanni + XDamageNotify) {
            dipinta = reinterpret_cast<XDamageNotifyEvent &>(evento).drawable;
            esito.primaPitturaMs = adessoMs() - inizio;
            esito.residenteMb = residenteMb(pid);
        }
    }
    if (dipinta != 0) {
        // Without a window manager nothing gives the window the focus, and Qt takes keys
        // only in the active window: given here, outside the timing.
        XSetInputFocus(schermo, dipinta, RevertToParent, CurrentTime);
        XSync(schermo, False);
        usleep(100000);
        XKeyEvent tasto{};
        tasto.type = KeyPress;
        tasto.display = schermo;
        tasto.window = dipinta;
        tasto.root = radice;
        tasto.time = CurrentTime;
        tasto.same_screen = True;
        tasto.state = ControlMask;
        tasto.keycode = XKeysymToKeycode(schermo, XK_q);
        const double premuto = adessoMs();
        XSendEvent(schermo, dipinta, True, KeyPressMask, reinterpret_cast<XEvent *>(&tasto));
        tasto.type = KeyRelease;
        XSendEvent(schermo, dipinta, True, KeyReleaseMask, reinterpret_cast<XEvent *>(&tasto));
        XFlush(schermo);
        while (adessoMs() - premuto < 10000) {
            if (waitpid(pid, nullptr, WNOHANG) == pid) {
                esito.uscitaMs = adessoMs() - premuto;
                break;
            }
            usleep(500);
        }
    }
    if (esito.uscitaMs < 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    XSelectInput(schermo, radice, NoEventMask);
    // Windows already gone make these fail harmlessly.
    XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
    for (const Damage danno : danni) {
        XDamageDestroy(schermo, danno);
    }
    XSync(schermo, True);
    return esito;
}

double mediana(std::vector<double> valori)
{
    std::sort(valori.begin(), valori.end());
    return valori.empty() ? -1 : valori[valori.size() / 2];
}

// The bare window, the text window and the panel's program, in turn, a run of each per iteration.
void BM_AvvioPrimaFinestra(benchmark::State &stato)
{
    Display *schermo = XOpenDisplay(nullptr);
    if (!schermo) {
        stato.SkipWithError("no X display: run under xvfb-run");
        return;
    }
    // The panel keeps its settings beside itself: a copy in a folder of its own.
    char modello[] = "/tmp/brivola-avvio-XXXXXX";
    const std::string cartella = mkdtemp(modello);
    const std::string pannello = cartella + "/brivola";
    std::system(("cp " BRIVOLA_EXE " " + pannello).c_str());
    std::vector<double> avvio, nuda, testo, memoria, memoriaNuda, memoriaTesto, uscita, uscitaNuda;
    for (auto _ : stato) {
        const Esito b = misura(schermo, BRIVOLA_FINESTRA_NUDA_EXE, cartella);
        const Esito t = misura(schermo, BRIVOLA_FINESTRA_NUDA_EXE, cartella, "--testo");
        const Esito a = misura(schermo, pannello, cartella);
        if (a.primaPitturaMs < 0 || b.primaPitturaMs < 0 || t.primaPitturaMs < 0) {
            stato.SkipWithError("a window was never painted");
            break;
        }
        stato.SetIterationTime(a.primaPitturaMs / 1e3);
        avvio.push_back(a.primaPitturaMs);
        nuda.push_back(b.primaPitturaMs);
        testo.push_back(t.primaPitturaMs);
        memoriaTesto.push_back(t.residenteMb);
        memoria.push_back(a.residenteMb);
        memoriaNuda.push_back(b.residenteMb);
        uscita.push_back(a.uscitaMs);
        uscitaNuda.push_back(b.uscitaMs);
    }
    std::system(("rm -rf " + cartella).c_str());
    XCloseDisplay(schermo);
    stato.counters["avvio_ms"] = mediana(avvio);
    stato.counters["nuda_ms"] = mediana(nuda);
    stato.counters["rapporto_avvio"] = mediana(avvio) / mediana(nuda);
    stato.counters["obiettivo_rapporto_avvio"] = 1.4;
    stato.counters["residente_MB"] = mediana(memoria);
    stato.counters["nuda_MB"] = mediana(memoriaNuda);
    stato.counters["rapporto_residente"] = mediana(memoria) / mediana(memoriaNuda);
    stato.counters["obiettivo_rapporto_residente"] = 1.25;
    // Beside the least window that shows text: the part of the figures above that any window
    // with a menu and a label pays (fonts, text shaping, the menu bar), for reading them.
    stato.counters["testo_ms"] = mediana(testo);
    stato.counters["testo_MB"] = mediana(memoriaTesto);
    stato.counters["rapporto_avvio_testo"] = mediana(avvio) / mediana(testo);
    stato.counters["rapporto_residente_testo"] = mediana(memoria) / mediana(memoriaTesto);
    stato.counters["uscita_ms"] = mediana(uscita);
    stato.counters["nuda_uscita_ms"] = mediana(uscitaNuda);
    stato.counters["obiettivo_uscita_ms"] = 200;
}

} // namespace

BENCHMARK(BM_AvvioPrimaFinestra)->Iterations(7)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
