#include "app/WindowModule.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include <dlfcn.h>

namespace fs = std::filesystem;

int openWindow(CommandLine& commandLine)
{
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    const fs::path folder = error ? fs::path(".") : program.parent_path();
    std::string tried;
    for (const fs::path& candidate : {folder / TESSERA_MODULE_FROM_BINDIR / "tessera-window.so",
                                      folder / "tessera-window.so"}) {
        if (!fs::is_regular_file(candidate, error)) {
            tried += "\n  " + candidate.lexically_normal().string() + ": nicht vorhanden";
            continue;
        }
        void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            tried += "\n  " + candidate.lexically_normal().string() + ": " + dlerror();
            continue;
        }
        const auto entry = reinterpret_cast<WindowModuleEntry>(dlsym(module, kWindowModuleEntry));
        if (!entry) {
            tried += "\n  " + candidate.lexically_normal().string() + ": ohne Einsprung";
            continue;
        }
        return entry(&commandLine);  // the module stays loaded until the program ends
    }
    std::fprintf(stderr, "tessera: das Fenster kann nicht geladen werden; Tessera ist unvollständig installiert:%s\n",
                 tried.c_str());
    return ExitCode::Failed;
}
