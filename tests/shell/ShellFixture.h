#pragma once

#include "ErrorOf.h"
#include "RegistryFile.h"
#include "machine/MachineFacts.h"
#include "shell/WshShell.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Each test runs in its own process; this points the shell at a fake machine tree.
inline void useMachine(const char* name)
{
    machine::setMachineRoot(QString::fromUtf8(TESSERA_FIXTURES "/machines/") + QString::fromLatin1(name));
}
