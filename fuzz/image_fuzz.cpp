// Any bytes, opened as a disk image through the program's own code (from a
// memfd by its /proc/self/fd path, as a file on disk would be): its partition
// table, its file systems, the installation's hives and logs, and every path
// the pages read. Either a RuntimeError or answers, nothing else. The Sleuth
// Kit parses the untrusted bytes in C; what it hands back is checked again.
#include "ReadEach.h"
#include "machine/MachineFacts.h"
#include "registry/ImageSource.h"
#include "runtime/RuntimeError.h"
#include "shell/RegistrySources.h"
#include "shell/WshShell.h"

#include <cstddef>
#include <cstdint>

#include <sys/mman.h>
#include <unistd.h>

namespace {

const char* const kPaths[] = {
    "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management\\LargeSystemCache",
    "HKLM\\SYSTEM\\ControlSet001\\Control\\MediaCategories\\{62D35A12-E42B-11D1-B073-00608CCBD2F1}\\Name",
    "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\CurrentBuildNumber",
    "HKLM\\Hardware\\Description\\System\\SystemBiosDate",
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const int file = ::memfd_create("fuzz-image", MFD_CLOEXEC);
    if (file < 0 || ::ftruncate(file, 0) != 0) return 0;
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::pwrite(file, data + done, size - done, off_t(done));
        if (n <= 0) return 0;
        done += std::size_t(n);
    }
    const QString path = QStringLiteral("/proc/self/fd/%1").arg(file);
    for (int partition : {-1, 1}) {
        try {
            const registry::ImageInstallation found(registry::ImageName{path, partition});
            std::vector<std::shared_ptr<const registry::RegistrySource>> sources(found.hives().begin(),
                                                                                 found.hives().end());
            const shell::WshShell shell(std::make_shared<const shell::RegistrySources>(sources),
                                        std::make_shared<const machine::MachineSnapshot>());
            readEach(shell, kPaths);
        } catch (const runtime::RuntimeError&) {
        }
    }
    return 0;
}
