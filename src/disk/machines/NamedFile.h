#pragma once

#include "runtime/RuntimeError.h"

#include <QString>


namespace disk {

// What keeps a file or folder named as a source from being read, told before
// anything tries to read it, each with what the user can do: a path that does
// not exist (and which folder on the way is missing), one the user may not
// read or a folder on the way they may not enter (with its owner), an empty
// file, a BitLocker key file (.BEK) named instead of its disk, and the files a
// hypervisor keeps beside a virtual machine's configuration (VirtualBox's
// .vbox-prev and .vbox-tmp, VMware's .vmsd, .vmxf, .nvram, .vmss, .vmsn,
// .vmem and its logs), naming the file to open instead. "BILD@N" is checked
// as BILD. Throws a RuntimeError (a NotPermitted for what the user may not
// read or enter); returns when the file can be read on.
void checkNamedFile(const QString& source);

// A file the user may not read, or a folder they may not enter: told as such
// wherever it is met, never taken for a folder without what was looked for.
class NotPermitted : public runtime::RuntimeError {
public:
    using RuntimeError::RuntimeError;
};

}  // namespace disk
