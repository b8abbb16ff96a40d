// BitLocker's decryption alone, in memory: AES-XTS 128 and 256, AES-CBC 128
// and with the Elephant diffuser, in reads of 512 bytes and of 4 KiB.
#include "disk/bitlocker/BitLockerCipher.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void decrypt(benchmark::State& state)
{
    const auto method = std::uint32_t(state.range(0));
    const auto read = std::size_t(state.range(1));
    const std::size_t keySize = method == 0x8002 ? 16 : (method == 0x8001 || method == 0x8005) ? 64 : 32;
    disk::Secret key(keySize);
    for (std::size_t i = 0; i < keySize; ++i) key.data()[i] = static_cast<unsigned char>(i * 31 + 7);
    auto cipher = disk::BitLockerCipher::make(method, key);
    std::vector<unsigned char> data(64 << 20, 0x5A);
    for (auto _ : state) {
        for (std::size_t at = 0; at < data.size(); at += read)
            if (!cipher->decrypt(std::int64_t(at), data.data() + at, read)) state.SkipWithError("OpenSSL failed");
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(data.size()));
    state.SetLabel(method == 0x8004 ? "XTS-128" : method == 0x8005 ? "XTS-256" : method == 0x8002 ? "CBC-128" : "CBC-128+diffuser");
}

}  // namespace

BENCHMARK(decrypt)->ArgsProduct({{0x8004, 0x8005, 0x8002, 0x8000}, {512, 4096}})->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
