#include "disk/SecretFile.h"

#include "disk/FileBytes.h"
#include "runtime/RuntimeError.h"

#include <QFile>

#include <cctype>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace disk {

namespace {

constexpr std::size_t kMaxFile = 64 * 1024;

// A .BEK file: an external key's metadata, its size first and a 48-byte header.
bool keyFile(const Secret& b)
{
    return b.size() >= 48 && le32(b.data()) == b.size() && le32(b.data() + 4) == 1 && le32(b.data() + 8) == 48;
}

// The text as UTF-8: a UTF-16 text (with its byte order mark, as Windows
// saves one) converted, any other kept as it is.
Secret utf8(const Secret& b)
{
    const bool utf16 = b.size() >= 2 && b.data()[0] == 0xFF && b.data()[1] == 0xFE;
    if (!utf16) return Secret(b.data(), b.size());
    Secret out(b.size() * 2);
    std::size_t n = 0;
    for (std::size_t i = 2; i + 1 < b.size(); i += 2) {
        std::uint32_t c = b.data()[i] | b.data()[i + 1] << 8;
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < b.size()) {
            const std::uint32_t low = b.data()[i + 2] | b.data()[i + 3] << 8;
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        unsigned char* o = out.data() + n;
        if (c < 0x80) {
            o[0] = static_cast<unsigned char>(c);
            n += 1;
        } else if (c < 0x800) {
            o[0] = static_cast<unsigned char>(0xC0 | c >> 6);
            o[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
            n += 2;
        } else if (c < 0x10000) {
            o[0] = static_cast<unsigned char>(0xE0 | c >> 12);
            o[1] = static_cast<unsigned char>(0x80 | (c >> 6 & 0x3F));
            o[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
            n += 3;
        } else {
            o[0] = static_cast<unsigned char>(0xF0 | c >> 18);
            o[1] = static_cast<unsigned char>(0x80 | (c >> 12 & 0x3F));
            o[2] = static_cast<unsigned char>(0x80 | (c >> 6 & 0x3F));
            o[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
            n += 4;
        }
    }
    out.shrink(n);
    return out;
}

// Eight groups of six digits joined by dashes, anywhere in the text.
Secret recoveryPassword(const Secret& t)
{
    constexpr std::size_t Length = 8 * 6 + 7;
    for (std::size_t at = 0; at + Length <= t.size(); ++at) {
        if (at > 0 && (std::isdigit(t.data()[at - 1]) || t.data()[at - 1] == '-')) continue;
        bool fits = true;
        for (std::size_t i = 0; i < Length && fits; ++i)
            fits = i % 7 == 6 ? t.data()[at + i] == '-' : std::isdigit(t.data()[at + i]) != 0;
        const std::size_t after = at + Length;
        if (fits && (after == t.size() || (!std::isdigit(t.data()[after]) && t.data()[after] != '-')))
            return Secret(t.data() + at, Length);
    }
    return {};
}

}  // namespace

Secret secretFromBytes(Secret bytes)
{
    if (bytes.empty() || keyFile(bytes)) return bytes;
    Secret text = utf8(bytes);
    bytes = Secret();
    if (Secret recovery = recoveryPassword(text); !recovery.empty()) return recovery;
    // A password: the first line, without its end and a UTF-8 byte order mark.
    std::size_t start = text.size() >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    std::size_t end = start;
    while (end < text.size() && text.data()[end] != '\n' && text.data()[end] != '\r') ++end;
    if (end == start) return {};
    return Secret(text.data() + start, end - start);
}

Secret readSecretFile(const QString& path, QString& fault)
{
    const bool standardInput = path == QLatin1String("-");
    const QString named = standardInput ? QStringLiteral("die Standardeingabe") : QStringLiteral("\u201E%1\u201C").arg(path);
    const int fd = standardInput ? STDIN_FILENO : ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        fault = QStringLiteral("Schlüsseldatei %1 ist nicht lesbar").arg(named) + runtime::libraryWords(runtime::errnoName(errno));
        return {};
    }
    Secret bytes(kMaxFile + 1);
    std::size_t n = 0;
    while (n < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + n, bytes.size() - n);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            fault = QStringLiteral("Schlüsseldatei %1 ist nicht lesbar").arg(named) + runtime::libraryWords(runtime::errnoName(errno));
            if (!standardInput) ::close(fd);
            return {};
        }
        if (got == 0) break;
        n += std::size_t(got);
    }
    if (!standardInput) ::close(fd);
    if (n > kMaxFile) {
        fault = QStringLiteral("Schlüsseldatei %1 ist zu groß für ein Kennwort oder einen Schlüssel (über 64 KiB)").arg(named);
        return {};
    }
    bytes.shrink(n);
    Secret secret = secretFromBytes(std::move(bytes));
    if (secret.empty())
        fault = QStringLiteral("Schlüsseldatei %1 ist leer: sie hält weder ein Kennwort noch einen Wiederherstellungsschlüssel "
                               "noch einen BitLocker-Schlüssel (.BEK)")
                    .arg(named);
    return secret;
}

}  // namespace disk
