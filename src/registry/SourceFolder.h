#pragma once

#include <QString>
#include <QStringList>

namespace registry {

// The registry files a folder stands for: of a Windows installation (its root
// with Windows\System32\config or WINNT\system32\config, its Windows folder,
// or the config folder itself) the hives SYSTEM and SOFTWARE that are there;
// of a Wine prefix its system.reg. Every name matches without regard to case,
// as an NTFS partition shows names as Windows stored them. A folder holding
// none of these fails with a RuntimeError that names it and what was looked for.
QStringList registryFilesIn(const QString& folder);

}  // namespace registry
