#pragma once

#include "registry/text/TextLines.h"
#include "runtime/RuntimeError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace registry {

class RegKey;

enum class RegistryFormat { Regedit4, Regedit5, Wine };

// A key line of HKLM: the hash of its key's path (foldedHash, name by name
// from the root's), where the line starts, and whether it is the key's own
// line or that of a key below it.
struct KeyLine {
    std::size_t hash;
    std::int64_t mark;  // the line's byte offset times two, plus one for the key's own line

    std::int64_t at() const { return mark >> 1; }
    bool own() const { return mark & 1; }
};

// A registry text file, checked through: its lines, its format, and where the
// key lines are, sorted by hash and then by their order in the file.
struct CheckedRegistry {
    TextLines lines;
    RegistryFormat format;
    std::vector<KeyLine> keys;      // every key named, on its own line or above another
    std::vector<KeyLine> removals;  // "[-...]" lines
};

// Checks a registry text file: "REGEDIT4", "Windows Registry Editor Version
// 5.00" (UTF-16LE with BOM, UTF-8 or 8-bit) or a Wine registry file ("WINE
// REGISTRY Version 2", keys relative to HKLM). Keys of hives other than HKLM in
// export files are skipped. Bad input fails with a RuntimeError whose
// description names the source and the line and says what was expected.
// `rootHash` is the hash of HKLM itself.
CheckedRegistry checkRegistry(QByteArray bytes, const QString& sourceName, std::size_t rootHash);

// For a key line `checkRegistry` recorded: its key's names below HKLM, and
// whether it removes the key.
QStringList keyPathAt(TextLines& lines, RegistryFormat format, std::int64_t at, bool& remove);
// The values below the key line at `at`, up to the next key line, set and
// removed in `key` as the lines say.
void readValuesAt(TextLines& lines, RegistryFormat format, std::int64_t at, RegKey& key);

// The largest text file read: the machine's memory, at least 4 GiB (1 GiB on a
// 32-bit system); and the fault of a file over it.
std::int64_t maxRegistryTextSize();
QString tooLarge();

// The fault of a text file: it names the file and the line.
runtime::RuntimeError registryTextError(const QString& source, qsizetype line, const QString& what);

}  // namespace registry
