#pragma once

#include "shell/Machine.h"

#include <cstdint>

// The five memory-management settings, read from the machine's registry when
// the object is created; a failed read means no object (the constructor throws).
class Mem {
public:
    explicit Mem(const shell::MachineRef& machine);

    std::int16_t ClearPageFileAtShutdown = 0;
    std::int16_t DisablePagingExecutive = 0;
    std::int16_t LargeSystemCache = 0;
    std::int32_t IoPageLockLimit = 0;
    std::int16_t SecondLevelDataCache = 0;

    // Reads the five values in order, each stored before the next is read; a
    // failure stops there and leaves the later values as they were.
    void ReadAll(const shell::MachineRef& machine);
};
