// Binary hives of realistic size, from the folder TESSERA_BENCH_HIVES
// (bench/make_big_hives.py: Windows\System32\config\SYSTEM of about 20 MB and
// SOFTWARE of about 80 MB): opening each, with hivex's own open beside it; the
// first Info collection after both files changed, which opens both again; a
// later one; one RegRead on an open hive. Hives not written back
// (TESSERA_BENCH_DIRTY: the real dirty SYSTEM and the big SOFTWARE with 8 MB
// of logs, each with and without its logs): opening them, and the replay
// alone, per MB of log applied. Prints the peak RSS at the end.
#include "disk/PrivateCopy.h"
#include "registry/hive/Hive.h"
#include "registry/hive/LogReplay.h"
#include "registry/hive/TransactionLog.h"
#include "runtime/RuntimeError.h"
#include "shell/Machine.h"
#include "shell/WshShell.h"
#include "sysinfo/CollectSystemInfo.h"
#include "sysinfo/InfoReport.h"
#include "sysinfo/SystemInfo.h"

#include <QCoreApplication>
#include <QDir>

#include <benchmark/benchmark.h>
#include <hivex.h>

#include <cstdio>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// The machine TESSERA_REGISTRY names, as a user names it.
shell::MachineRef namedMachine()
{
    if (!qEnvironmentVariableIsSet("TESSERA_REGISTRY")) return shell::Machine::open(std::nullopt);
    return shell::Machine::open(qEnvironmentVariable("TESSERA_REGISTRY").split(u':', Qt::SkipEmptyParts));
}

QString hive(const char* name)
{
    return QDir(qEnvironmentVariable("TESSERA_BENCH_HIVES")).filePath(QStringLiteral("Windows/System32/config/"))
           + QLatin1String(name);
}

bool ready(benchmark::State& state)
{
    if (!QFileInfo::exists(hive("SYSTEM")) || !QFileInfo::exists(hive("SOFTWARE"))) {
        state.SkipWithError("TESSERA_BENCH_HIVES names no folder with Windows/System32/config/SYSTEM and SOFTWARE");
        return false;
    }
    qputenv("TESSERA_REGISTRY", qgetenv("TESSERA_BENCH_HIVES"));
    return true;
}

// A new mtime for both hives, so the next shell object opens them again.
void touchHives()
{
    static long second = 1700000000;
    const timespec times[2] = {{second, 0}, {second, 0}};
    ++second;
    for (const char* name : {"SYSTEM", "SOFTWARE"})
        utimensat(AT_FDCWD, QFile::encodeName(hive(name)).constData(), times, 0);
}

void collectAndReport()
{
    CollectSystemInfo(namedMachine());
    QString report = BuildInfoReport(Variablen::SysInfo);
    benchmark::DoNotOptimize(report);
}

// The program's open: the base block, the root and the keys that tell the kind, read where they lie.
void open(benchmark::State& state, const char* name)
{
    if (!ready(state)) return;
    for (auto _ : state) {
        registry::Hive opened(hive(name));
        benchmark::DoNotOptimize(opened.kind());
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(hive(name)).size());
}
BENCHMARK_CAPTURE(open, system, "SYSTEM")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(open, software, "SOFTWARE")->Unit(benchmark::kMillisecond);

// hivex's own open of the file, mapped as it is: what no reader of hives can avoid.
void hivexOpenAlone(benchmark::State& state, const char* name)
{
    if (!ready(state)) return;
    const QByteArray path = QFile::encodeName(hive(name));
    for (auto _ : state) {
        hive_h* h = hivex_open(path.constData(), 0);
        if (!h) {
            state.SkipWithError("hivex cannot open the file");
            return;
        }
        hivex_close(h);
    }
}
BENCHMARK_CAPTURE(hivexOpenAlone, system, "SYSTEM")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hivexOpenAlone, software, "SOFTWARE")->Unit(benchmark::kMillisecond);

QString dirty(const char* relative)
{
    return QDir(qEnvironmentVariable("TESSERA_BENCH_DIRTY")).filePath(QLatin1String(relative));
}

bool dirtyReady(benchmark::State& state, const QString& path)
{
    if (QFileInfo::exists(path)) return true;
    state.SkipWithError("TESSERA_BENCH_DIRTY names no folder with real/ and software/ (bench/run-all.sh makes it)");
    return false;
}

qint64 logBytes(const QString& hivePath)
{
    qint64 bytes = 0;
    for (const QString& log : registry::logPathsBeside(hivePath)) bytes += QFileInfo(log).size();
    return bytes;
}

// Opening a hive that needs its logs, beside the same hive without them.
void openDirty(benchmark::State& state, const char* relative)
{
    const QString path = dirty(relative);
    if (!dirtyReady(state, path)) return;
    int applied = 0;
    for (auto _ : state) {
        registry::Hive opened(path);
        applied = opened.replay().entriesApplied();
        benchmark::DoNotOptimize(opened.kind());
    }
    state.counters["entries"] = applied;
    state.counters["log MB"] = double(logBytes(path)) / 1e6;
}
BENCHMARK_CAPTURE(openDirty, realSystemWithLogs, "real/SYSTEM_B")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(openDirty, realSystemAlone, "real-alone/SYSTEM_B")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(openDirty, softwareWithLogs, "software/SOFTWARE")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(openDirty, softwareAlone, "software-alone/SOFTWARE")->Unit(benchmark::kMillisecond);

// The replay alone, on a fresh private copy each time; the rate is of log bytes.
void replayAlone(benchmark::State& state, const char* relative)
{
    const QString path = dirty(relative);
    if (!dirtyReady(state, path)) return;
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    const std::vector<registry::TransactionLog> logs = registry::readLogs(registry::logPathsBeside(path));
    for (auto _ : state) {
        state.PauseTiming();
        disk::PrivateCopy copy;
        copy.append(bytes.constData(), std::size_t(bytes.size()));
        state.ResumeTiming();
        benchmark::DoNotOptimize(registry::replayLogs(copy, logs, 512LL * 1024 * 1024).sequence);
    }
    state.SetBytesProcessed(state.iterations() * logBytes(path));
}
BENCHMARK_CAPTURE(replayAlone, realSystem, "real/SYSTEM_B")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(replayAlone, software, "software/SOFTWARE")->Unit(benchmark::kMillisecond);

void firstInfoCollection(benchmark::State& state)
{
    if (!ready(state)) return;
    for (auto _ : state) {
        state.PauseTiming();
        touchHives();
        state.ResumeTiming();
        collectAndReport();
    }
}
BENCHMARK(firstInfoCollection)->Unit(benchmark::kMillisecond)->Iterations(10);

void laterInfoCollection(benchmark::State& state)
{
    if (!ready(state)) return;
    collectAndReport();
    for (auto _ : state) collectAndReport();
}
BENCHMARK(laterInfoCollection)->Unit(benchmark::kMicrosecond);

void regRead(benchmark::State& state, const char* path)
{
    if (!ready(state)) return;
    const auto shell = shell::CreateObject(QStringLiteral("Wscript.Shell"), namedMachine());
    const QString p = QString::fromLatin1(path);
    benchmark::DoNotOptimize(shell->RegRead(p));
    for (auto _ : state) benchmark::DoNotOptimize(shell->RegRead(p));
}
BENCHMARK_CAPTURE(regRead, memoryViaControlSet,
                  "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management\\LargeSystemCache")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(regRead, soundName,
                  "HKLM\\SYSTEM\\ControlSet001\\Control\\MediaCategories\\{185FEDE3-9905-11D1-95A9-00C04FB925D3}\\Name")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(regRead, windowsVersion, "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\CurrentVersion")
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak RSS: %.1f MiB\n", double(usage.ru_maxrss) / 1024);
    return 0;
}
