// The panel as a whole process on a real X server ($DISPLAY, e.g. Xvfb), beside the least
// window that shows text (a menu bar, a status bar and a label, no image-format plugin) and a
// bare Qt 6 window, measured the same way in the same run: from the start of the process to
// the first paint of its window (X DAMAGE), the CPU time of all its threads and its resident
// memory then, and from Ctrl+Q to the process gone. The panel and the text window run in
// turn, and each ratio is taken run by run: the ratios hold when the machine's speed drifts;
// the times alone do not.
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

// CPU time of every thread of `pid` so far, read at once (no tick granularity).
double cpuMs(pid_t pid)
{
    clockid_t orologio{};
    timespec t{};
    if (clock_getcpuclockid(pid, &orologio) != 0 || clock_gettime(orologio, &t) != 0) {
        return -1;
    }
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct Esito
{
    double primaPitturaMs = -1;
    double cpuMs = -1;
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
            esito.cpuMs = cpuMs(pid);
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

// Minimum, median and maximum of `valori` as counters `nome`_min, `nome`, `nome`_max.
void riassumi(benchmark::State &stato, const std::string &nome, const std::vector<double> &valori)
{
    if (valori.empty()) {
        return;
    }
    stato.counters[nome + "_min"] = *std::min_element(valori.begin(), valori.end());
    stato.counters[nome] = mediana(valori);
    stato.counters[nome + "_max"] = *std::max_element(valori.begin(), valori.end());
}

struct Serie
{
    std::vector<double> avvio, cpu, memoria, uscita;

    void aggiungi(const Esito &esito)
    {
        avvio.push_back(esito.primaPitturaMs);
        cpu.push_back(esito.cpuMs);
        memoria.push_back(esito.residenteMb);
        uscita.push_back(esito.uscitaMs);
    }
};

std::vector<double> rapporti(const std::vector<double> &a, const std::vector<double> &b)
{
    std::vector<double> r;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        r.push_back(a[i] / b[i]);
    }
    return r;
}

// Per iteration a run of each: the bare window, then the text window and the panel, which of
// the two first alternating, so neither always finds the caches the other warmed.
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
    // One run of each first, not counted: the libraries into the page cache.
    misura(schermo, BRIVOLA_FINESTRA_NUDA_EXE, cartella);
    misura(schermo, BRIVOLA_FINESTRA_NUDA_EXE, cartella, "--testo");
    misura(schermo, pannello, cartella);
    Serie serieNuda, serieTesto, seriePannello;
    int giro = 0;
    for (auto _ : stato) {
        const Esito b = misura(schermo, BRIVOLA_FINESTRA_NUDA_EXE, cartella);
        Esito t;
        Esito a;
        if (giro++ % 2 == 0) {
            t = misura(schermo, BRIVOLA_FINESTRA_NUDA_EXE, cartella, "--testo");
            a = misura(schermo, pannello, cartella);
        } else {
            a = misura(schermo, pannello, cartella);
            t = misura(schermo, BRIVOLA_FINESTRA_NUDA_EXE, cartella, "--testo");
        }
        if (a.primaPitturaMs < 0 || b.primaPitturaMs < 0 || t.primaPitturaMs < 0 || a.cpuMs < 0 ||
            t.cpuMs < 0) {
            stato.SkipWithError("a window was never painted");
            break;
        }
        stato.SetIterationTime(a.primaPitturaMs / 1e3);
        serieNuda.aggiungi(b);
        serieTesto.aggiungi(t);
        seriePannello.aggiungi(a);
    }
    std::system(("rm -rf " + cartella).c_str());
    XCloseDisplay(schermo);
    // The goals: the panel beside the text window, run by run.
    riassumi(stato, "rapporto_avvio", rapporti(seriePannello.avvio, serieTesto.avvio));
    riassumi(stato, "rapporto_cpu", rapporti(seriePannello.cpu, serieTesto.cpu));
    riassumi(stato, "rapporto_residente", rapporti(seriePannello.memoria, serieTesto.memoria));
    stato.counters["obiettivo_rapporto_avvio"] = 1.3;
    stato.counters["obiettivo_rapporto_cpu"] = 1.3;
    stato.counters["obiettivo_rapporto_residente"] = 1.2;
    // The figures themselves, medians, for reading the ratios.
    stato.counters["avvio_ms"] = mediana(seriePannello.avvio);
    stato.counters["cpu_ms"] = mediana(seriePannello.cpu);
    stato.counters["residente_MB"] = mediana(seriePannello.memoria);
    stato.counters["testo_ms"] = mediana(serieTesto.avvio);
    stato.counters["testo_cpu_ms"] = mediana(serieTesto.cpu);
    stato.counters["testo_MB"] = mediana(serieTesto.memoria);
    // The bare window draws no text: what any window costs before its first glyph.
    stato.counters["nuda_ms"] = mediana(serieNuda.avvio);
    stato.counters["nuda_cpu_ms"] = mediana(serieNuda.cpu);
    stato.counters["nuda_MB"] = mediana(serieNuda.memoria);
    stato.counters["uscita_ms"] = mediana(seriePannello.uscita);
    stato.counters["nuda_uscita_ms"] = mediana(serieNuda.uscita);
    stato.counters["obiettivo_uscita_ms"] = 200;
}

} // namespace

BENCHMARK(BM_AvvioPrimaFinestra)->Iterations(25)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
