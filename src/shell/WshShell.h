#pragma once

#include "runtime/Variant.h"
#include "shell/WshEnvironment.h"

#include <QString>

#include <memory>

namespace machine {
class MachineSnapshot;
}

namespace shell {

class RegistrySources;

// The shell object: environment collection and registry reads.
class WshShell {
public:
    // The machine is read once for this object, by whichever asks for it first.
    WshShell(std::shared_ptr<const RegistrySources> sources, std::shared_ptr<const machine::MachineSnapshot> machine);
    ~WshShell();

    // Only "PROCESS" (any case) is offered; anything else fails with 5.
    WshEnvironment Environment(const QString& kind) const;

    // "HKLM\<key path>\<value name>"; a trailing backslash reads the default value.
    runtime::Variant RegRead(const QString& path) const;

private:
    std::shared_ptr<const RegistrySources> sources_;
    std::shared_ptr<const machine::MachineSnapshot> machine_;
};

// CreateObject("Wscript.Shell"): the ProgID compares case-insensitively; any
// other fails with 429. Also fails when a registry source cannot be read.
std::unique_ptr<WshShell> CreateObject(const QString& progId);

}  // namespace shell
