#include "registry/BuiltinDefaults.h"


namespace registry {

extern const char builtinDefaultsData[];
extern const std::size_t builtinDefaultsSize;

std::shared_ptr<const RegistryText> builtinDefaults()
{
    static const auto text = std::make_shared<const RegistryText>(
        QByteArray::fromRawData(builtinDefaultsData, qsizetype(builtinDefaultsSize)), QStringLiteral("defaults.reg"));
    return text;
}

}  // namespace registry
