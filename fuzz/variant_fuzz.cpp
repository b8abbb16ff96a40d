// The value conversions: any text or number either converts or fails with a
// RuntimeError (6 overflow, 13 type mismatch); a successful conversion is in range.
#include "shell/RuntimeError.h"
#include "shell/Variant.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::int32_t number = 0;
    if (size >= 4) std::memcpy(&number, data, 4);
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const shell::Variant& value : {shell::Variant(text), shell::Variant(number),
                                        shell::Variant(QStringList{text}),
                                        shell::Variant(QByteArray(reinterpret_cast<const char*>(data),
                                                                  qsizetype(size)))}) {
        try { (void)shell::toText(value); } catch (const RuntimeError&) {}
        try {
            const std::int16_t small = shell::toInt16(value);
            const std::int32_t wide = shell::toInt32(value);
            if (small != wide) __builtin_trap();  // a value that fits 16 bits is the same in 32
        } catch (const RuntimeError&) {
            try { (void)shell::toInt32(value); } catch (const RuntimeError&) {}
        }
    }
    return 0;
}
