// In-process figures of the real window: the Info collection and report, the
// start-up phases one by one, and a visit of each page from the tab click
// until its controls are written. The "file" variants read the registry file
// named by TESSERA_BENCH_REGISTRY (through TESSERA_REGISTRY, as a user would);
// "cold" ones change its mtime before each visit, so the visit parses it again.
#include "app/ShownSources.h"
#include "app/AppSetup.h"
#include "app/End.h"
#include "app/Handlers.h"
#include "app/Main.h"
#include "memory/Mem.h"
#include "runtime/RuntimeError.h"
#include "sound/Sound.h"
#include "sysinfo/CollectSystemInfo.h"
#include "sysinfo/InfoReport.h"
#include "sysinfo/SystemInfo.h"
#include "window/FrmMain.h"

#include <QApplication>
#include <QFile>
#include <QTest>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

QByteArray benchFile()
{
    return qgetenv("TESSERA_BENCH_REGISTRY");
}

// Points the shell object at the bench file, or at its usual sources, while it lives.
class RegistrySource {
public:
    explicit RegistrySource(bool file)
    {
        if (file)
            qputenv("TESSERA_REGISTRY", benchFile());
        else
            qunsetenv("TESSERA_REGISTRY");
    }
    ~RegistrySource() { qunsetenv("TESSERA_REGISTRY"); }
};

// A file variant needs the file, and the pages' values in it: a value missing
// would open the run-time error box and stall the run.
bool fileReady(benchmark::State& state)
{
    if (benchFile().isEmpty() || !QFile::exists(QString::fromLocal8Bit(benchFile()))) {
        state.SkipWithError("TESSERA_BENCH_REGISTRY names no file");
        return false;
    }
    try {
        const Mem mem(shownMachine());
        const Sound sound(shownMachine());
    } catch (const runtime::RuntimeError& error) {
        state.SkipWithError(error.description().toStdString().c_str());
        return false;
    }
    return true;
}

// A new mtime each time, so the cache sees a changed file.
void touchBenchFile()
{
    static long second = 1700000000;
    const timespec times[2] = {{second, 0}, {second, 0}};
    ++second;
    utimensat(AT_FDCWD, benchFile().constData(), times, 0);
}

// Quits waiting once the watched widget has been painted.
class PaintWatch : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

bool processUntilPainted(QWidget& window)
{
    PaintWatch watch;
    window.installEventFilter(&watch);
    const auto start = Clock::now();
    while (!watch.painted && secondsSince(start) < 5)
        QCoreApplication::processEvents();
    window.removeEventFilter(&watch);
    return watch.painted;
}

void collectInfo(benchmark::State& state, bool file)
{
    RegistrySource source(file);
    if (file && !fileReady(state))
        return;
    for (auto _ : state) {
        CollectSystemInfo(shownMachine());
        QString report = BuildInfoReport(Variablen::SysInfo);
        benchmark::DoNotOptimize(report);
    }
}

// The window's start in its parts, as Main runs them: the window's creation
// from its design, Form_Load (with the Info report), show until the first paint.
void startPhases(benchmark::State& state)
{
    prepareApplication();
    double create = 0, load = 0, show = 0;
    for (auto _ : state) {
        setFrmMainLoadHandler({});
        auto start = Clock::now();
        FrmMain& form = frmMain();
        create += secondsSince(start);
        start = Clock::now();
        Form_Load();
        load += secondsSince(start);
        start = Clock::now();
        form.show();
        const bool painted = processUntilPainted(form);
        show += secondsSince(start);
        unloadFrmMain();
        if (!painted) {
            state.SkipWithError("the window was never painted");
            break;
        }
    }
    const double n = double(state.iterations());
    state.counters["create_ms"] = create / n * 1e3;
    state.counters["load_ms"] = load / n * 1e3;
    state.counters["show_ms"] = show / n * 1e3;
}

// The program, started once as its own main() does and kept for all visits.
bool programRunning(benchmark::State& state)
{
    static bool started = false;
    if (!started) {
        started = true;
        resetProgramEnded();
        prepareApplication();
        Main();
        if (!programEnded())
            processUntilPainted(frmMain());
    }
    if (programEnded() || !frmMainExists()) {
        state.SkipWithError("the program ended at start-up");
        return false;
    }
    return true;
}

void clickTab(int oneBased)
{
    TabStrip* tabs = frmMain().tabMain;
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(oneBased - 1).center());
}

const char* const kTitles[] = {"INFO", "START", "SPEICHER", "SOUND"};

void visit(benchmark::State& state, int page, bool file, bool cold)
{
    if (!programRunning(state))
        return;
    RegistrySource source(file);
    if (file && !fileReady(state))
        return;
    const int away = page == 2 ? 1 : 2;
    const QString title = QString::fromLatin1(kTitles[page - 1]);
    for (auto _ : state) {
        clickTab(away);
        QCoreApplication::processEvents();  // the page left to is drawn outside the timing
        if (cold)
            touchBenchFile();
        const auto start = Clock::now();
        clickTab(page);
        state.SetIterationTime(secondsSince(start));
        if (frmMain().tabMain->selectedIndex() != page || frmMain().lblHeader(4).caption() != title
            || !frmMain().fmTab(page - 1).isVisible()) {
            state.SkipWithError("the click did not show the page");
            break;
        }
    }
}

void registerAll()
{
    benchmark::RegisterBenchmark("collectInfo/builtin", collectInfo, false)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("collectInfo/file", collectInfo, true)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("startPhases", startPhases)->Unit(benchmark::kMillisecond)->Iterations(20);
    const char* const pages[] = {"Info", "Start", "Speicher", "Sound"};
    for (int page = 1; page <= 4; ++page) {
        const std::string name = std::string("visit/") + pages[page - 1];
        benchmark::RegisterBenchmark((name + "/builtin").c_str(), visit, page, false, false)
            ->UseManualTime()->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((name + "/file-warm").c_str(), visit, page, true, false)
            ->UseManualTime()->Unit(benchmark::kMillisecond);
        if (page != 2)  // the Start page reads nothing
            benchmark::RegisterBenchmark((name + "/file-cold").c_str(), visit, page, true, true)
                ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    unloadFrmMain();
    return 0;
}
