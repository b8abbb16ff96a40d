// The value conversions: any text or number either converts or fails with a
// RuntimeError (6 overflow, 13 type mismatch); a successful conversion is in range.
#include "runtime/RuntimeError.h"
#include "runtime/Variant.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::int32_t number = 0;
    if (size >= 4) std::memcpy(&number, data, 4);
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const runtime::Variant& value :
         {runtime::Variant(text), runtime::Variant(number), runtime::Variant(QStringList{text}),
          runtime::Variant(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)))}) {
        try { (void)runtime::toText(value); } catch (const runtime::RuntimeError&) {}
        try {
            const std::int16_t small = runtime::toInt16(value);
            const std::int32_t wide = runtime::toInt32(value);
            if (small != wide) __builtin_trap();  // a value that fits 16 bits is the same in 32
        } catch (const runtime::RuntimeError&) {
            try { (void)runtime::toInt32(value); } catch (const runtime::RuntimeError&) {}
        }
    }
    return 0;
}
