#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringView>

#include <cstdint>

namespace registry {

// The lines of a text held once, in its own encoding, handed out one at a time
// as UTF-16 from any line's start: a UTF-16LE text without a copy, UTF-8 and
// Windows-1252 decoded a line at a time into room that the next line reuses.
class TextLines {
public:
    enum class Encoding { Utf16, Utf8, Windows1252 };

    // `start`: the byte where the first line begins (after a byte order mark).
    TextLines(QByteArray bytes, Encoding encoding, qsizetype start);

    // The next line without its line break (LF, or CR LF), valid until the
    // next call; false after the last. A UTF-8 line that is not well-formed
    // sets `invalidUtf8()` and comes back decoded with replacement characters.
    bool next(QStringView& line);
    // Where the line `next` gave last begins (a byte offset, for `seek`).
    std::int64_t lineStart() const { return lineStart_; }
    void seek(std::int64_t byteOffset);
    bool invalidUtf8() const { return invalidUtf8_; }

    const QByteArray& bytes() const { return bytes_; }
    Encoding encoding() const { return encoding_; }

private:
    QByteArray bytes_;
    Encoding encoding_;
    std::int64_t pos_;
    std::int64_t lineStart_ = 0;
    bool invalidUtf8_ = false;
    QString scratch_;
    QStringDecoder utf8_{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
};

// Windows-1252: Latin-1 except 0x80..0x9F.
QString decodeWindows1252(QByteArrayView bytes);

}  // namespace registry
