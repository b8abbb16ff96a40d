#pragma once

#include "runtime/RuntimeError.h"

#include <QString>

#include <utility>

// The number of the RuntimeError f throws, and its description; 0 when none.
template <class F> std::pair<int, QString> errorOf(F&& f)
{
    try {
        f();
    } catch (const runtime::RuntimeError& e) {
        return {e.number(), e.description()};
    }
    return {0, {}};
}
