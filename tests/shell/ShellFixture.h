#pragma once

#include "RegistryFile.h"
#include "shell/MachineFacts.h"
#include "shell/RuntimeError.h"
#include "shell/WshShell.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Each test runs in its own process; this points the shell at a fake machine tree.
inline void useMachine(const char* name)
{
    shell::setMachineRoot(QString::fromUtf8(TESSERA_FIXTURES "/machines/") + QString::fromLatin1(name));
}

// The number of the RuntimeError f throws, and its description; 0 when none.
template <class F> std::pair<int, QString> errorOf(F&& f)
{
    try {
        f();
    } catch (const RuntimeError& e) {
        return {e.number(), e.description()};
    }
    return {0, {}};
}
