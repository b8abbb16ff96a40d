#include "registry/BuiltinDefaults.h"

#include "registry/RegistryFileParser.h"

namespace registry {

extern const char builtinDefaultsData[];
extern const std::size_t builtinDefaultsSize;

std::shared_ptr<const RegistryTree> builtinDefaults()
{
    static const auto tree = std::make_shared<const RegistryTree>(parseRegistry(
        QByteArrayView(builtinDefaultsData, qsizetype(builtinDefaultsSize)), QStringLiteral("defaults.reg")));
    return tree;
}

}  // namespace registry
