#pragma once

#include "disk/Secret.h"

#include <QString>

namespace disk {

// A BitLocker secret as a file holds it, told by its content: a .BEK key
// file (kept as it is); a text naming a 48-digit recovery password anywhere,
// as the file Windows saves a recovery key in does (UTF-8 or UTF-16); or a
// password, the text's first line. "-" reads standard input. The bytes go
// from the file straight into locked memory. Empty, with `fault` in German,
// when the file cannot be read or holds nothing.
Secret readSecretFile(const QString& path, QString& fault);

// The same from bytes already read (a password typed at a prompt: its line).
Secret secretFromBytes(Secret bytes);

}  // namespace disk
