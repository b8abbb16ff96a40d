// Any bytes, opened as a hive through the program's own code (from a memfd by
// its /proc/self/fd path, as a file on disk would be), either fail with a
// RuntimeError or answer every path the pages read, the viewed machine's
// environment and hardware included, and then every key and value the cell
// reader reaches (up to a few thousand); nothing else may happen.
#include "ReadEach.h"
#include "machine/MachineFacts.h"
#include "registry/hive/Hive.h"
#include "runtime/RuntimeError.h"
#include "shell/Machine.h"
#include "shell/WshShell.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

namespace {

const char* const kPaths[] = {
    "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management\\ClearPageFileAtShutdown",
    "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management\\IOPageLockLimit",
    "HKLM\\SYSTEM\\ControlSet001\\Control\\MediaCategories\\{185FEDE3-9905-11D1-95A9-00C04FB925D3}\\Name",
    "HKLM\\SYSTEM\\ControlSet001\\Control\\MediaCategories\\{62D35A1A-E42B-11D1-B073-00608CCBD2F1}\\Name",
    "HKLM\\Hardware\\Description\\System\\CentralProcessor\\0\\VendorIdentifier",
    "HKLM\\Hardware\\Description\\System\\SystemBiosDate",
    "HKLM\\Hardware\\Description\\System\\SystemBiosVersion",
    "HKLM\\Software\\Microsoft\\Internet Explorer\\Version",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\MinorVersion",
    "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\CurrentVersion",
    "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\CSDVersion",
    "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment\\Path",
};

const char* const kVariables[] = {"NUMBER_OF_PROCESSORS", "PROCESSOR_IDENTIFIER", "OS", "COMSPEC",
                                  "SYSTEMDRIVE", "SYSTEMROOT", "WINDIR", "TEMP"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const int file = ::memfd_create("fuzz-hive", MFD_CLOEXEC);
    if (file < 0 || ::ftruncate(file, 0) != 0) return 0;
    // Most mutations would only break the header's checksum, which is checked
    // first; with the checksum mended they reach hivex and the lookups.
    std::vector<std::uint8_t> bytes(data, data + size);
    if (size >= 512) {
        std::uint32_t sum = 0;
        for (std::size_t i = 0; i < 508; i += 4)
            sum ^= bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16 | std::uint32_t(bytes[i + 3]) << 24;
        for (int i = 0; i < 4; ++i) bytes[508 + i] = std::uint8_t(sum >> (8 * i));
    }
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::pwrite(file, bytes.data() + done, size - done, off_t(done));
        if (n <= 0) return 0;
        done += std::size_t(n);
    }
    const QString path = QStringLiteral("/proc/self/fd/%1").arg(file);
    try {
        auto hive = std::make_shared<const registry::Hive>(path);
        const shell::WshShell shell(std::make_shared<const shell::Machine>(
            std::vector<std::shared_ptr<const registry::RegistrySource>>{hive}));
        readEach(shell, kPaths);
        const shell::WshEnvironment env = shell.Environment(QStringLiteral("PROCESS"));
        for (const char* name : kVariables) (void)env(QString::fromLatin1(name));
        // The whole tree, as far as it reads: every list, name and value's data.
        int budget = 4000;
        std::vector<registry::RegistrySource::Key> keys{hive->child(hive->root(), hive->kind() == registry::Hive::Kind::System
                                                                                    ? u"SYSTEM"
                                                                                    : u"SOFTWARE")};
        while (!keys.empty() && budget-- > 0) {
            const auto key = keys.back();
            keys.pop_back();
            try {
                for (const QString& value : hive->valueNames(key)) (void)hive->value(key, value);
                for (const QString& child : hive->subkeyNames(key))
                    if (const auto found = hive->child(key, child)) keys.push_back(found);
            } catch (const runtime::RuntimeError&) {
            }
        }
    } catch (const runtime::RuntimeError&) {
    }
    return 0;
}
