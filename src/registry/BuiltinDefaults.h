#pragma once

#include "registry/text/RegistryText.h"

#include <memory>

namespace registry {

// The stock values of keys that have no live source on this platform
// (defaults.reg, compiled in), read once.
std::shared_ptr<const RegistryText> builtinDefaults();

}  // namespace registry
