// Any input either parses or fails with a RuntimeError; nothing else may happen.
#include "registry/RegistryFileParser.h"
#include "runtime/RuntimeError.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        const registry::RegistryTree tree = registry::parseRegistry(
            QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)), QStringLiteral("fuzz.reg"));
        (void)tree.findKey(u"Software\\Tessera");
    } catch (const runtime::RuntimeError&) {
    }
    return 0;
}
