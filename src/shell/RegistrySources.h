#pragma once

#include "shell/MachineFacts.h"
#include "shell/RegistryTree.h"
#include "shell/RuntimeError.h"

#include <QString>

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace shell {

// The registry as the shell object reads it: the files of TESSERA_REGISTRY
// (":"-separated, earlier wins), or else the live hardware view, the Wine
// prefix's system.reg (left out when it cannot be read) and the built-in
// defaults, first hit wins.
class RegistrySources {
public:
    // Fails with the parser's error when a source cannot be read. The live view,
    // when used, is built from `machine`.
    static std::shared_ptr<const RegistrySources> fromEnvironment(std::shared_ptr<const MachineSnapshot> machine);

    // Any number of trees, earlier wins; a machine puts its live view first.
    RegistrySources(std::vector<std::shared_ptr<const RegistryTree>> trees,
                    std::shared_ptr<const MachineSnapshot> machine);

    // keyPath relative to HKLM; "CurrentControlSet" and the current
    // "ControlSet00N" are the same key, and link keys are followed. The value
    // is borrowed from its source: valid while this object lives.
    std::optional<RegValueView> find(const QString& keyPath, const QString& valueName) const;

private:
    // The live hardware view, built once for this object on its first use.
    const RegistryTree& hardware() const;

    std::vector<std::shared_ptr<const RegistryTree>> trees_;
    std::shared_ptr<const MachineSnapshot> machine_;  // null: no live view
    mutable std::once_flag hardwareBuilt_;
    mutable std::unique_ptr<const RegistryTree> hardware_;
};

// The optional sources left out since the last call because they could not be
// read (the Wine prefix's system.reg), each fault once per run, as errors that
// name the file and what is wrong.
std::vector<RuntimeError> takeLeftOutSources();

}  // namespace shell
