#include "shell/BuiltinDefaults.h"

#include "shell/RegistryFileParser.h"

namespace shell {

extern const char builtinDefaultsData[];
extern const std::size_t builtinDefaultsSize;

std::shared_ptr<const RegistryTree> builtinDefaults()
{
    static const auto tree = std::make_shared<const RegistryTree>(parseRegistry(
        QByteArrayView(builtinDefaultsData, qsizetype(builtinDefaultsSize)), QStringLiteral("defaults.reg")));
    return tree;
}

}  // namespace shell
