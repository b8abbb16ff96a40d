#include "registry/text/TextLines.h"

#include <bit>
#include <cstring>

namespace registry {

namespace {

// Windows-1252 into `out`, one unit per byte: Latin-1 except 0x80..0x9F.
void widenWindows1252(QByteArrayView bytes, QChar* out)
{
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        out[i] = (c >= 0x80 && c < 0xA0) ? QChar(high[c - 0x80]) : QChar(c);
    }
}

}  // namespace

QString decodeWindows1252(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    widenWindows1252(bytes, out.data());
    return out;
}

TextLines::TextLines(QByteArray bytes, Encoding encoding, qsizetype start)
    : bytes_(std::move(bytes)), encoding_(encoding), pos_(start)
{
}

void TextLines::seek(std::int64_t byteOffset) { pos_ = byteOffset; }

bool TextLines::next(QStringView& line)
{
    const std::int64_t size = bytes_.size();
    if (pos_ >= size) return false;  // nothing after the last line break
    lineStart_ = pos_;
    const char* data = bytes_.constData();
    if (encoding_ == Encoding::Utf16) {
        // Code units from the byte after the byte order mark: the buffer's start
        // is aligned, so every second byte from it is too.
        const std::int64_t units = (size - pos_) / 2;
        const auto* at = reinterpret_cast<const char16_t*>(data + pos_);
        qsizetype end = QStringView(at, units).indexOf(u'\n');
        if (end < 0) end = units;
        pos_ += 2 * (end + 1);
        if constexpr (std::endian::native == std::endian::little) {
            line = QStringView(at, end);
        } else {
            scratch_.resize(end);
            for (qsizetype i = 0; i < end; ++i) {
                const auto* b = reinterpret_cast<const unsigned char*>(at + i);
                scratch_[i] = QChar(char16_t(b[0] | b[1] << 8));
            }
            line = scratch_;
        }
    } else {
        const void* lf = std::memchr(data + pos_, '\n', std::size_t(size - pos_));
        const std::int64_t end = lf ? static_cast<const char*>(lf) - data : size;
        const QByteArrayView bytes(data + pos_, end - pos_);
        pos_ = end + 1;
        // Never more units than bytes; the room only grows.
        if (scratch_.size() < bytes.size()) scratch_.resize(bytes.size());
        qsizetype units = bytes.size();
        if (encoding_ == Encoding::Windows1252) {
            widenWindows1252(bytes, scratch_.data());
        } else {
            units = utf8_.appendToBuffer(scratch_.data(), bytes) - scratch_.constData();
            if (utf8_.hasError()) {
                invalidUtf8_ = true;
                utf8_.resetState();
            }
        }
        line = QStringView(scratch_.constData(), units);
    }
    if (line.endsWith(u'\r')) line.chop(1);
    return true;
}

}  // namespace registry
