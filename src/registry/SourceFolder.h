#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace registry {

// The registry files a folder stands for: of a Windows installation (its root
// with Windows\System32\config or WINNT\system32\config, its Windows folder,
// or the config folder itself) the hives SYSTEM and SOFTWARE that are there;
// of a Wine prefix its system.reg. Every name matches without regard to case,
// as an NTFS partition shows names as Windows stored them. A folder holding
// none of these fails as folderHoldsNothing does.
QStringList registryFilesIn(const QString& folder);

// The installation's root folder of a hive file that lies in its
// Windows\System32\config (or WINNT\system32\config), names in any case;
// nothing for a hive elsewhere.
std::optional<QString> installationRootOf(const QString& hiveFile);

// A RuntimeError that names the folder and everything looked for in it: an
// installation, a Wine prefix, a virtual machine.
[[noreturn]] void folderHoldsNothing(const QString& folder);

}  // namespace registry
