#include "registry/RegistryFileCache.h"
#include "registry/text/RegistryText.h"
#include "runtime/RuntimeError.h"
#include "shell/Machine.h"
#include "shell/WshShell.h"

#include <QFile>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

// The machine TESSERA_REGISTRY names, as a user names it.
shell::MachineRef namedMachine()
{
    if (!qEnvironmentVariableIsSet("TESSERA_REGISTRY")) return shell::Machine::open(std::nullopt);
    return shell::Machine::open(qEnvironmentVariable("TESSERA_REGISTRY").split(u':', Qt::SkipEmptyParts));
}

QString benchFile()
{
    const char* path = std::getenv("TESSERA_BENCH_REGISTRY");
    return path ? QString::fromLocal8Bit(path) : QString();
}

// The deepest key the file names on a line of its own, and the first value
// below that line: "Software\\...\\Key" and "Name". Wine files only.
std::pair<QString, QString> deepestKey(const QByteArray& bytes)
{
    std::pair<QString, QString> deepest;
    qsizetype depth = -1;
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (!line.startsWith('[') || !lines[i + 1].startsWith('#')) continue;
        const qsizetype close = line.indexOf(']');
        const QByteArray path = line.mid(1, close - 1).replace("\\\\", "\\");
        if (path.count('\\') <= depth || path.contains("\\x")) continue;
        for (qsizetype j = i + 1; j < lines.size() && !lines[j].startsWith('['); ++j) {
            if (!lines[j].startsWith('"')) continue;
            depth = path.count('\\');
            deepest = {QString::fromUtf8(path), QString::fromUtf8(lines[j].mid(1, lines[j].indexOf('"', 1) - 1))};
            break;
        }
    }
    return deepest;
}

QByteArray benchBytes()
{
    QFile file(benchFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Opening the file's bytes: the check of every line and the index of its key
// lines; `release` times the freeing too, as a visit after the file changed
// has it (the program frees a file only then).
void parse(benchmark::State& state, bool release)
{
    const QByteArray bytes = benchBytes();
    if (bytes.isEmpty()) {
        state.SkipWithError("TESSERA_BENCH_REGISTRY is not a readable file");
        return;
    }
    std::size_t keyLines = 0;
    for (auto _ : state) {
        auto text = std::make_unique<registry::RegistryText>(bytes, QStringLiteral("bench.reg"));
        keyLines = text->keyLineCount();
        benchmark::DoNotOptimize(text.get());
        if (!release) state.PauseTiming();
        text.reset();
        if (!release) state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());  // printed as MB/s
    state.counters["keyLines"] = double(keyLines);
}
BENCHMARK_CAPTURE(parse, throughput, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(parse, andRelease, true)->Unit(benchmark::kMillisecond);

// The first lookup of the deepest key's value in a file just opened: the keys
// on the way found through the index, the values of each read from its lines.
void firstLookup(benchmark::State& state)
{
    const QByteArray bytes = benchBytes();
    const auto [keyPath, valueName] = deepestKey(bytes);
    if (keyPath.isEmpty()) {
        state.SkipWithError("TESSERA_BENCH_REGISTRY holds no key with a value");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto text = std::make_unique<registry::RegistryText>(bytes, QStringLiteral("bench.reg"));
        state.ResumeTiming();
        benchmark::DoNotOptimize(registry::findValue(*text, keyPath, valueName));
        state.PauseTiming();
        text.reset();
        state.ResumeTiming();
    }
}
// Each iteration opens the file untimed: a fixed count keeps that bounded.
BENCHMARK(firstLookup)->Unit(benchmark::kMicrosecond)->Iterations(50);

// One lookup as a page visit does it: the cache check, then the key path and value.
void cachedLookup(benchmark::State& state)
{
    const QString path = benchFile();
    const auto [keyPath, valueName] = deepestKey(benchBytes());
    for (auto _ : state) {
        auto cached = registry::cachedRegistryFile(path);
        benchmark::DoNotOptimize(registry::findValue(*cached, keyPath, valueName));
    }
}
BENCHMARK(cachedLookup)->Unit(benchmark::kMicrosecond);

// The same lookup on a file already in hand, without the cache's file check.
void treeLookup(benchmark::State& state)
{
    auto text = registry::cachedRegistryFile(benchFile());
    const auto [keyPath, valueName] = deepestKey(benchBytes());
    if (!registry::findValue(*text, keyPath, valueName)) {
        state.SkipWithError("the deepest key's value was not found");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(registry::findValue(*text, keyPath, valueName));
}
BENCHMARK(treeLookup)->Unit(benchmark::kMicrosecond);

// One RegRead through the shell object, the file already read and cached:
// a value of the deepest key, read the way the pages spell paths.
void regReadDeep(benchmark::State& state)
{
    qputenv("TESSERA_REGISTRY", benchFile().toLocal8Bit());
    const auto shell = shell::CreateObject(QStringLiteral("Wscript.Shell"), namedMachine());
    const auto [keyPath, valueName] = deepestKey(benchBytes());
    const QString path = QStringLiteral("HKLM\\") + keyPath + QStringLiteral("\\") + valueName;
    for (auto _ : state)
        benchmark::DoNotOptimize(shell->RegRead(path));
    qunsetenv("TESSERA_REGISTRY");
}
BENCHMARK(regReadDeep)->Unit(benchmark::kMicrosecond);

// The values the pages read, when the file holds them (make_wine_registry.py
// writes them): a DWORD behind the CurrentControlSet link key, and a text.
void regReadPageValue(benchmark::State& state, const char* path)
{
    qputenv("TESSERA_REGISTRY", benchFile().toLocal8Bit());
    const auto shell = shell::CreateObject(QStringLiteral("Wscript.Shell"), namedMachine());
    const QString p = QString::fromUtf8(path);
    try {
        shell->RegRead(p);
    } catch (const runtime::RuntimeError& e) {
        state.SkipWithError(e.description().toStdString().c_str());
        qunsetenv("TESSERA_REGISTRY");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(shell->RegRead(p));
    qunsetenv("TESSERA_REGISTRY");
}
BENCHMARK_CAPTURE(regReadPageValue, memoryViaLink,
                  "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management\\LargeSystemCache")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(regReadPageValue, soundName,
                  "HKLM\\SYSTEM\\ControlSet001\\Control\\MediaCategories\\{185FEDE3-9905-11D1-95A9-00C04FB925D3}\\Name")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(regReadPageValue, windowsVersion,
                  "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\CurrentVersion")
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
