#pragma once

#include "shell/RegistryTree.h"

#include <memory>

namespace shell {

// The stock values of keys that have no live source on this platform
// (defaults.reg, compiled in), parsed once.
std::shared_ptr<const RegistryTree> builtinDefaults();

}  // namespace shell
