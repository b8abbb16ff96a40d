#pragma once

#include "registry/RegistryTree.h"

#include <memory>

namespace registry {

// The stock values of keys that have no live source on this platform
// (defaults.reg, compiled in), parsed once.
std::shared_ptr<const RegistryTree> builtinDefaults();

}  // namespace registry
