#pragma once

#include "disk/bitlocker/Secret.h"

#include <QString>

namespace disk {

// A BitLocker secret as a file holds it, told by its content: a .BEK key
// file (kept as it is); a text naming a 48-digit recovery password anywhere,
// as the file Windows saves a recovery key in does (UTF-8 or UTF-16); a text
// of 48 digits and nothing else, as people type a recovery password (with or
// without dashes, in groups with spaces, over several lines), when each
// group of six is one a recovery password can have; or a password, the
// text's first line. A recovery password comes out as Windows writes it,
// eight groups joined by dashes. "-" reads standard input. The bytes go
// from the file straight into locked memory. Empty, with `fault` in German,
// when the file cannot be read or holds nothing.
Secret readSecretFile(const QString& path, QString& fault);

// The same from bytes already read (a password typed at a prompt: its line).
Secret secretFromBytes(Secret bytes);

// Whether the bytes are a .BEK key file's.
bool isKeyFile(const Secret& bytes);

// Whether a line typed at a prompt is the start of a recovery password that
// goes on in the next line: whole groups of six digits, at least two, fewer
// than eight, apart by dashes or blanks.
bool continuesRecoveryPassword(const Secret& line);

}  // namespace disk
