#pragma once

#include "RegistryFile.h"
#include "machine/MachineFacts.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <utility>
#include <vector>

// Points the shell at fixture registry files, an empty machine tree and a
// process environment the test sets, so collection sees nothing of this host.
class ControlledMachine {
public:
    ControlledMachine()
    {
        machine::setMachineRoot(root_.path());
        for (const auto& [name, value] : environment()) qputenv(name, value);
    }

    static std::vector<std::pair<const char*, QByteArray>> environment()
    {
        return {
            {"NUMBER_OF_PROCESSORS", "2"},
            {"PROCESSOR_LEVEL", "6"},
            {"PROCESSOR_REVISION", "0801"},
            {"PROCESSOR_ARCHITECTURE", "x86"},
            {"PROCESSOR_IDENTIFIER", "x86 Family 6 Model 8 Stepping 1, GenuineIntel"},
            {"OS", "Windows_NT"},
            {"COMSPEC", "C:\\WINNT\\system32\\cmd.exe"},
            {"HOMEDRIVE", "C:"},
            {"PATHEXT", ".COM;.EXE;.BAT;.CMD"},
            {"SYSTEMDRIVE", "C:"},
            {"SYSTEMROOT", "C:\\WINNT"},
            {"WINDIR", "C:\\WINNT"},
            {"TEMP", "C:\\DOKUME~1\\Anna\\LOKALE~1\\Temp"},
        };
    }

private:
    QTemporaryDir root_;
};
