#pragma once

#include "machine/MachineFacts.h"
#include "registry/text/RegistrySource.h"
#include "registry/WindowsProduct.h"
#include "runtime/RuntimeError.h"
#include "shell/SourceDescription.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace shell {

// The registry as the shell object reads it. Either another machine, named by
// the user (the command line, else TESSERA_REGISTRY, ":"-separated): text
// exports, Wine registry files, binary hives and folders of an installation or
// a Wine prefix, earlier wins, then what its hives tell of its volatile
// hardware keys, nothing else. Or this machine: the live hardware view, the
// Wine prefix's system.reg (left out when it cannot be read) and the built-in
// defaults, first hit wins.
class RegistrySources {
public:
    // Fails with the error of the first named source that cannot be read.
    // The live view of this machine, when used, is built from `machine`.
    static std::shared_ptr<const RegistrySources> fromEnvironment(
        std::shared_ptr<const machine::MachineSnapshot> machine);

    // Another machine's sources, earlier wins.
    explicit RegistrySources(std::vector<std::shared_ptr<const registry::RegistrySource>> named,
                             std::vector<SourceDescription> described = {});
    // This machine: its live view, then these layers.
    RegistrySources(std::vector<std::shared_ptr<const registry::RegistrySource>> layers,
                    std::shared_ptr<const machine::MachineSnapshot> machine,
                    std::vector<SourceDescription> described = {});

    // keyPath relative to HKLM (see findValue). The value is borrowed from its
    // source: valid while this object lives.
    std::optional<registry::RegValueView> find(QStringView keyPath, QStringView valueName) const;

    // Whether the sources are another machine's, named by the user.
    bool viewsAnotherMachine() const { return !machine_; }

    // The sources read, in the order they count; a folder as the files it stands for.
    const std::vector<SourceDescription>& described() const { return described_; }

    // Which Windows the sources are, where they name one.
    std::optional<registry::WindowsProduct> product() const;

private:
    // The hardware keys: this machine's live view, or what another machine's
    // hives tell; built once for this object, on first use.
    const registry::RegistrySource& hardware() const;

    std::vector<std::shared_ptr<const registry::RegistrySource>> sources_;
    std::shared_ptr<const machine::MachineSnapshot> machine_;  // null: another machine
    std::vector<SourceDescription> described_;
    mutable std::once_flag hardwareBuilt_;
    mutable std::unique_ptr<const registry::RegistrySource> hardware_;
};

// The sources a shell object created now would read (see described()); fails
// as CreateObject does when a named source cannot be read, a question to the
// user (disk::Question) included, as it is.
std::vector<SourceDescription> describeSources();

// The machine a shell object created now would show: its sources and which
// Windows it is. Fails as describeSources does.
struct ShownMachine {
    std::vector<SourceDescription> sources;
    std::optional<registry::WindowsProduct> product;
};
ShownMachine describeShownMachine();

// The sources named on the command line; they stand for TESSERA_REGISTRY, and
// replace what was named before (another machine dropped on the window, a
// source named again with the installation chosen); nothing: as TESSERA_REGISTRY says.
void setNamedSources(std::optional<QStringList> sources);
// The sources named (setNamedSources, else TESSERA_REGISTRY); nothing for this machine.
std::optional<QStringList> namedSources();

// What to tell of the sources since the last call, each once per run, as
// errors that name the file and what is wrong: an optional source left out
// because it could not be read (the Wine prefix's system.reg), a hive that
// shows an older state than Windows left (dirty without a usable log, a log
// that stopped early).
std::vector<runtime::RuntimeError> takeSourceNotices();
// Drops what there is to tell of sources that are not shown after all (a
// drop given up), so that they are told when they are shown.
void forgetSourceNotices();

}  // namespace shell
