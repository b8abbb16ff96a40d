#include "registry/RegistryFileCache.h"
#include "registry/RegistryFileParser.h"
#include "runtime/RuntimeError.h"
#include "shell/WshShell.h"

#include <QFile>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

QString benchFile()
{
    const char* path = std::getenv("TESSERA_BENCH_REGISTRY");
    return path ? QString::fromLocal8Bit(path) : QString();
}

// Parse throughput of the file; `release` times the freeing of the tree too,
// as a visit after the file changed has it (the program frees a tree only then).
void parse(benchmark::State& state, bool release)
{
    QFile file(benchFile());
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("TESSERA_BENCH_REGISTRY is not a readable file");
        return;
    }
    const QByteArray bytes = file.readAll();
    for (auto _ : state) {
        auto tree =
            std::make_unique<registry::RegistryTree>(registry::parseRegistry(bytes, QStringLiteral("bench.reg")));
        benchmark::DoNotOptimize(tree.get());
        if (!release) state.PauseTiming();
        tree.reset();
        if (!release) state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());  // printed as MB/s
}
BENCHMARK_CAPTURE(parse, throughput, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(parse, andRelease, true)->Unit(benchmark::kMillisecond);

// One lookup as a page visit does it: the cache check, then the key path and value.
void cachedLookup(benchmark::State& state)
{
    const QString path = benchFile();
    auto tree = registry::cachedRegistryFile(path);
    // A leaf a few levels down: follow the first child of every key.
    QString keyPath;
    for (const registry::RegKey* key = &tree->root(); key && key->childCount() > 0;) {
        const registry::RegKey* first = nullptr;
        key->forEachChild([&](const registry::RegKey& k) {
            if (!first) first = &k;
        });
        keyPath += (keyPath.isEmpty() ? QString() : QStringLiteral("\\")) + first->name().toString();
        key = first;
    }
    for (auto _ : state) {
        auto cached = registry::cachedRegistryFile(path);
        const registry::RegKey* k = cached->findKey(keyPath);
        benchmark::DoNotOptimize(k ? k->value(u"Control0") : nullptr);
    }
}
BENCHMARK(cachedLookup)->Unit(benchmark::kMicrosecond);

// The same lookup on a tree already in hand, without the cache's file check.
void treeLookup(benchmark::State& state)
{
    auto tree = registry::cachedRegistryFile(benchFile());
    const registry::RegKey* leaf = &tree->root();
    QString keyPath;
    while (leaf->childCount() > 0) {
        const registry::RegKey* first = nullptr;
        leaf->forEachChild([&](const registry::RegKey& k) {
            if (!first) first = &k;
        });
        keyPath += (keyPath.isEmpty() ? QString() : QStringLiteral("\\")) + first->name().toString();
        leaf = first;
    }
    for (auto _ : state) {
        const registry::RegKey* k = tree->findKey(keyPath);
        benchmark::DoNotOptimize(k ? k->value(u"Control0") : nullptr);
    }
}
BENCHMARK(treeLookup)->Unit(benchmark::kMicrosecond);

// One RegRead through the shell object, the file already parsed and cached:
// a value of the deepest first key, read the way the pages spell paths.
void regReadDeep(benchmark::State& state)
{
    qputenv("TESSERA_REGISTRY", benchFile().toLocal8Bit());
    const auto shell = shell::CreateObject(QStringLiteral("Wscript.Shell"));
    auto tree = registry::cachedRegistryFile(benchFile());
    const registry::RegKey* leaf = &tree->root();
    QString path = QStringLiteral("HKLM");
    while (leaf->childCount() > 0) {
        const registry::RegKey* first = nullptr;
        leaf->forEachChild([&](const registry::RegKey& k) {
            if (!first) first = &k;
        });
        path += QStringLiteral("\\") + first->name().toString();
        leaf = first;
    }
    QString valueName;
    leaf->forEachValue([&](QStringView name, const registry::RegValueView&) {
        if (valueName.isNull()) valueName = name.toString();
    });
    path += QStringLiteral("\\") + valueName;
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
    const auto shell = shell::CreateObject(QStringLiteral("Wscript.Shell"));
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
