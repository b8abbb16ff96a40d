#pragma once

#include "runtime/RuntimeError.h"

#include <cstdint>

// 16-bit signed arithmetic of the layout code: a result out of range is an overflow.
inline std::int16_t checkedInt16(long value)
{
    if (value < INT16_MIN || value > INT16_MAX)
        throw runtime::RuntimeError::overflow();
    return static_cast<std::int16_t>(value);
}

inline std::int16_t sub16(std::int16_t a, std::int16_t b)
{
    return checkedInt16(static_cast<long>(a) - b);
}
