#pragma once

#include "runtime/Variant.h"
#include "shell/WshEnvironment.h"

#include <QString>

#include <memory>

namespace shell {

class Machine;

// The shell object: environment collection and registry reads of one machine.
class WshShell {
public:
    explicit WshShell(std::shared_ptr<const Machine> machine);
    ~WshShell();

    // Only "PROCESS" (any case) is offered; anything else fails with 5.
    WshEnvironment Environment(const QString& kind) const;

    // "HKLM\<key path>\<value name>"; a trailing backslash reads the default value.
    runtime::Variant RegRead(const QString& path) const;

private:
    std::shared_ptr<const Machine> machine_;
};

// CreateObject("Wscript.Shell"), of the machine given: the ProgID compares
// case-insensitively; any other fails with 429.
std::unique_ptr<WshShell> CreateObject(const QString& progId, std::shared_ptr<const Machine> machine);

}  // namespace shell
