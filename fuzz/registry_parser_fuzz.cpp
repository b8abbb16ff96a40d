// Any input is either read or fails with a RuntimeError; nothing else may
// happen, neither at the check nor at the lookups after it.
#include "registry/text/RegistrySource.h"
#include "registry/text/RegistryText.h"
#include "runtime/RuntimeError.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        const registry::RegistryText text(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)),
                                          QStringLiteral("fuzz.reg"));
        // Names the corpus uses, links followed, removed keys among them.
        for (const char16_t* key : {u"A", u"A\\B", u"SOFTWARE\\Tessera", u"System\\CurrentControlSet",
                                    u"SYSTEM\\CurrentControlSet\\Control", u"Software\\Tessera\\Kind"})
            for (const char16_t* value : {u"", u"K", u"Text", u"SymbolicLinkValue"})
                (void)registry::findValue(text, key, value);
    } catch (const runtime::RuntimeError&) {
    }
    return 0;
}
