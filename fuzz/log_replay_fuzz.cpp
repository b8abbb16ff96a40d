// One input split into a hive and two transaction logs, replayed and read
// through the paths the pages read: either a RuntimeError or answers, nothing
// else. The input begins with seven bytes: flags, then the hive's and the
// first log's lengths (three bytes each, little-endian); the second log is
// the rest. With flag bit 0 the checksums and the entries' Marvin32 hashes are
// mended, so that mutations reach the sizes, offsets and pages behind them.
#include "ReadEach.h"
#include "disk/PrivateCopy.h"
#include "machine/MachineFacts.h"
#include "registry/hive/BaseBlock.h"
#include "registry/hive/Hive.h"
#include "registry/hive/Marvin32.h"
#include "registry/hive/TransactionLog.h"
#include "runtime/RuntimeError.h"
#include "shell/Machine.h"
#include "shell/WshShell.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

const char* const kPaths[] = {
    "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management\\LargeSystemCache",
    "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management\\IOPageLockLimit",
    "HKLM\\SYSTEM\\ControlSet001\\Control\\MediaCategories\\{62D35A12-E42B-11D1-B073-00608CCBD2F1}\\Name",
    "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\CurrentBuildNumber",
    "HKLM\\Hardware\\Description\\System\\SystemBiosDate",
};

void mendHeader(unsigned char* bytes, std::size_t size)
{
    if (size >= registry::BaseBlockSector) registry::sealBaseBlock(bytes);
}

void mendEntries(unsigned char* bytes, std::size_t size)
{
    std::size_t at = 512;
    while (at + 40 <= size && std::memcmp(bytes + at, "HvLE", 4) == 0) {
        const std::uint32_t length = registry::le32(bytes + at + 4);
        if (length < 40 || length % 512 != 0 || length > size - at) break;
        const std::uint64_t pages = registry::marvin32(bytes + at + 40, length - 40, registry::LogEntrySeed);
        for (int i = 0; i < 8; ++i) bytes[at + 24 + i] = static_cast<unsigned char>(pages >> (8 * i));
        const std::uint64_t head = registry::marvin32(bytes + at, 32, registry::LogEntrySeed);
        for (int i = 0; i < 8; ++i) bytes[at + 32 + i] = static_cast<unsigned char>(head >> (8 * i));
        at += length;
    }
}

std::size_t length24(const std::uint8_t* p) { return p[0] | p[1] << 8 | std::size_t(p[2]) << 16; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 7) return 0;
    const bool mend = data[0] & 1;
    const std::size_t hiveSize = std::min(length24(data + 1), size - 7);
    const std::size_t firstSize = std::min(length24(data + 4), size - 7 - hiveSize);
    QByteArray hive(reinterpret_cast<const char*>(data + 7), qsizetype(hiveSize));
    QByteArray first(reinterpret_cast<const char*>(data + 7 + hiveSize), qsizetype(firstSize));
    QByteArray second(reinterpret_cast<const char*>(data + 7 + hiveSize + firstSize),
                      qsizetype(size - 7 - hiveSize - firstSize));
    if (mend) {
        mendHeader(reinterpret_cast<unsigned char*>(hive.data()), std::size_t(hive.size()));
        for (QByteArray* log : {&first, &second}) {
            auto* bytes = reinterpret_cast<unsigned char*>(log->data());
            mendHeader(bytes, std::size_t(log->size()));
            mendEntries(bytes, std::size_t(log->size()));
        }
    }
    disk::PrivateCopy copy;
    if (!copy.append(hive.constData(), std::size_t(hive.size()))) return 0;
    const std::vector<registry::TransactionLog> logs = {
        registry::TransactionLog::ofBytes(QStringLiteral("fuzz.LOG1"), first),
        registry::TransactionLog::ofBytes(QStringLiteral("fuzz.LOG2"), second)};
    try {
        auto opened = std::make_shared<const registry::Hive>(QStringLiteral("fuzz"), std::move(copy), logs);
        (void)opened->replayNotice();
        const shell::WshShell shell(std::make_shared<const shell::Machine>(
            std::vector<std::shared_ptr<const registry::RegistrySource>>{opened}));
        readEach(shell, kPaths);
    } catch (const runtime::RuntimeError&) {
    }
    return 0;
}
