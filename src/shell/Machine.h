#pragma once

#include "machine/MachineFacts.h"
#include "registry/InstallationFiles.h"
#include "registry/WindowsProduct.h"
#include "registry/text/RegistrySource.h"
#include "runtime/RuntimeError.h"
#include "shell/SourceDescription.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

namespace shell {

// A machine, opened from the sources that name it: a value that holds its
// registry and answers its reads. Either another machine, named by the user:
// text exports, Wine registry files, binary hives and folders of an
// installation or a Wine prefix, disk images and virtual machines, earlier
// wins, then what its hives tell of its volatile hardware keys, nothing else.
// Or this machine: the live hardware view, the Wine prefix's system.reg (left
// out when it cannot be read) and the built-in defaults, first hit wins.
// Several machines can be open at once, in threads: they share nothing but
// the read-only caches of the files they read.
class Machine {
public:
    // Whether what is read of the named files is kept in the program's caches
    // (the window opens its machine again and again), or belongs to this
    // machine alone and goes with it (an inventory of many).
    enum class Reuse { Cached, Fresh };

    // `named`: the sources (the command line's, TESSERA_REGISTRY's); nothing
    // for this machine. Fails with the error of the first named source that
    // cannot be read, a question to the user (disk::Question) included.
    static std::shared_ptr<const Machine> open(const std::optional<QStringList>& named, Reuse reuse = Reuse::Cached);
    // This machine as `snapshot` sees it (tests: a machine tree of their own).
    static std::shared_ptr<const Machine> open(const std::optional<QStringList>& named,
                                               std::shared_ptr<const machine::MachineSnapshot> snapshot,
                                               Reuse reuse = Reuse::Cached);

    // Another machine's sources, earlier wins.
    explicit Machine(std::vector<std::shared_ptr<const registry::RegistrySource>> named,
                     std::vector<SourceDescription> described = {}, std::vector<runtime::RuntimeError> notices = {});
    // This machine: its live view, then these layers.
    Machine(std::vector<std::shared_ptr<const registry::RegistrySource>> layers,
            std::shared_ptr<const machine::MachineSnapshot> snapshot, std::vector<SourceDescription> described = {},
            std::vector<runtime::RuntimeError> notices = {});

    // keyPath relative to HKLM (see findValue). The value is borrowed from its
    // source: valid while this object lives.
    std::optional<registry::RegValueView> find(QStringView keyPath, QStringView valueName) const;
    // The names of the subkeys and of the values of the key at keyPath in
    // every source that holds it, each once (compared without regard to
    // case), earlier sources' first.
    QStringList subkeyNames(QStringView keyPath) const;
    QStringList valueNames(QStringView keyPath) const;

    // Whether the sources are another machine's, named by the user.
    bool viewsAnotherMachine() const { return !snapshot_; }
    // This machine's facts; null for another machine.
    const std::shared_ptr<const machine::MachineSnapshot>& snapshot() const { return snapshot_; }

    // The sources read, in the order they count; a folder as the files it stands for.
    const std::vector<SourceDescription>& described() const { return described_; }
    // Which Windows another machine is, where its sources name one (this
    // machine runs none: what a Wine prefix calls itself is no product of it).
    std::optional<registry::WindowsProduct> product() const;
    // What to tell of the sources, as errors that name the file and what is
    // wrong: an optional source left out because it could not be read (the
    // Wine prefix's system.reg), a hive that shows an older state than
    // Windows left, a hive named without its partner.
    const std::vector<runtime::RuntimeError>& notices() const { return notices_; }
    // The installation's other files (SAM, the users' hives), where its sources
    // show where it lies (a disk image, a folder); null otherwise.
    const std::shared_ptr<const registry::InstallationFiles>& files() const { return files_; }

private:
    // The hardware keys: this machine's live view, or what another machine's
    // hives tell; built once for this object, on first use.
    const registry::RegistrySource& hardware() const;

    std::vector<std::shared_ptr<const registry::RegistrySource>> sources_;
    std::shared_ptr<const machine::MachineSnapshot> snapshot_;  // null: another machine
    std::vector<SourceDescription> described_;
    std::vector<runtime::RuntimeError> notices_;
    std::shared_ptr<const registry::InstallationFiles> files_;
    mutable std::once_flag hardwareBuilt_;
    mutable std::unique_ptr<const registry::RegistrySource> hardware_;
    // The key at a path in each source (0: none there), as found before: a
    // machine's facts are read key by key, many values of one key.
    const std::vector<registry::RegistrySource::Key>& keysAt(QStringView keyPath) const;
    mutable std::mutex keysMutex_;
    mutable std::unordered_map<QString, std::vector<registry::RegistrySource::Key>> keys_;
    mutable const std::pair<const QString, std::vector<registry::RegistrySource::Key>>* lastKeys_ = nullptr;
};

using MachineRef = std::shared_ptr<const Machine>;

}  // namespace shell
