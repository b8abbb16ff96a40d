// Binary hives of realistic size, from the folder TESSERA_BENCH_HIVES
// (bench/make_big_hives.py: Windows\System32\config\SYSTEM of about 20 MB and
// SOFTWARE of about 80 MB): opening each, with hivex's own open beside it; the
// first Info collection after both files changed, which opens both again; a
// later one; one RegRead on an open hive. Prints the peak RSS at the end.
#include "registry/Hive.h"
#include "runtime/RuntimeError.h"
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
    CollectSystemInfo();
    QString report = BuildInfoReport(Variablen::SysInfo);
    benchmark::DoNotOptimize(report);
}

// The program's open: the copy into memory, hivex's open of the copy, the kind.
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
    const auto shell = shell::CreateObject(QStringLiteral("Wscript.Shell"));
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
