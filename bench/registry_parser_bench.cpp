#include "shell/RegistryTree.h"

#include <QFile>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

QString benchFile()
{
    const char* path = std::getenv("TESSERA_BENCH_REGISTRY");
    return path ? QString::fromLocal8Bit(path) : QString();
}

void parseThroughput(benchmark::State& state)
{
    QFile file(benchFile());
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("TESSERA_BENCH_REGISTRY is not a readable file");
        return;
    }
    const QByteArray bytes = file.readAll();
    for (auto _ : state) {
        shell::RegistryTree tree = shell::parseRegistry(bytes, QStringLiteral("bench.reg"));
        benchmark::DoNotOptimize(tree);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());  // printed as MB/s
}
BENCHMARK(parseThroughput)->Unit(benchmark::kMillisecond);

// One lookup as a page visit does it: the cache check, then the key path and value.
void cachedLookup(benchmark::State& state)
{
    const QString path = benchFile();
    auto tree = shell::cachedRegistryFile(path);
    // A leaf a few levels down: follow the first child of every key.
    QString keyPath;
    for (const shell::RegKey* key = &tree->root(); key && key->childCount() > 0;) {
        const shell::RegKey* first = nullptr;
        key->forEachChild([&](const shell::RegKey& k) {
            if (!first) first = &k;
        });
        keyPath += (keyPath.isEmpty() ? QString() : QStringLiteral("\\")) + first->name();
        key = first;
    }
    for (auto _ : state) {
        auto cached = shell::cachedRegistryFile(path);
        const shell::RegKey* k = cached->findKey(keyPath);
        benchmark::DoNotOptimize(k ? k->value(u"Control0") : nullptr);
    }
}
BENCHMARK(cachedLookup)->Unit(benchmark::kMicrosecond);

// The same lookup on a tree already in hand, without the cache's file check.
void treeLookup(benchmark::State& state)
{
    auto tree = shell::cachedRegistryFile(benchFile());
    const shell::RegKey* leaf = &tree->root();
    QString keyPath;
    while (leaf->childCount() > 0) {
        const shell::RegKey* first = nullptr;
        leaf->forEachChild([&](const shell::RegKey& k) {
            if (!first) first = &k;
        });
        keyPath += (keyPath.isEmpty() ? QString() : QStringLiteral("\\")) + first->name();
        leaf = first;
    }
    for (auto _ : state) {
        const shell::RegKey* k = tree->findKey(keyPath);
        benchmark::DoNotOptimize(k ? k->value(u"Control0") : nullptr);
    }
}
BENCHMARK(treeLookup)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
