#include "disk/bitlocker/SecretFile.h"

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

bool separator(unsigned char c) { return c == '-' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A group of a recovery password: a multiple of 11 below 11 * 65536.
bool validGroup(const unsigned char* digits)
{
    std::uint32_t n = 0;
    for (int i = 0; i < 6; ++i) n = n * 10 + std::uint32_t(digits[i] - '0');
    return n % 11 == 0 && n / 11 < 65536;
}

// A text of 48 digits and separators only, every group valid, written as Windows writes it.
Secret typedRecoveryPassword(const Secret& t)
{
    constexpr std::size_t Digits = 48;
    Secret digits(Digits);
    std::size_t n = 0;
    const bool bom = t.size() >= 3 && std::memcmp(t.data(), "\xEF\xBB\xBF", 3) == 0;
    for (std::size_t i = bom ? 3 : 0; i < t.size(); ++i) {
        const unsigned char c = t.data()[i];
        if (std::isdigit(c)) {
            if (n == Digits) return {};
            digits.data()[n++] = c;
        } else if (!separator(c)) {
            return {};
        }
    }
    if (n != Digits) return {};
    for (std::size_t g = 0; g < 8; ++g)
        if (!validGroup(digits.data() + 6 * g)) return {};
    Secret written(Digits + 7);
    for (std::size_t g = 0, at = 0; g < 8; ++g) {
        std::memcpy(written.data() + at, digits.data() + 6 * g, 6);
        at += 6;
        if (g < 7) written.data()[at++] = '-';
    }
    return written;
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

bool isKeyFile(const Secret& b)
{
    // An external key's metadata: its size first, then version 1 and a 48-byte header.
    return b.size() >= 48 && le32(b.data()) == b.size() && le32(b.data() + 4) == 1 && le32(b.data() + 8) == 48;
}

bool continuesRecoveryPassword(const Secret& line)
{
    std::size_t groups = 0, run = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const unsigned char c = line.data()[i];
        if (std::isdigit(c)) {
            if (++run > 6) return false;
        } else if (separator(c)) {
            if (run != 0 && run != 6) return false;
            groups += run == 6;
            run = 0;
        } else {
            return false;
        }
    }
    if (run != 0 && run != 6) return false;
    groups += run == 6;
    return groups >= 2 && groups < 8;
}

Secret secretFromBytes(Secret bytes)
{
    if (bytes.empty() || isKeyFile(bytes)) return bytes;
    Secret text = utf8(bytes);
    bytes = Secret();
    if (Secret recovery = recoveryPassword(text); !recovery.empty()) return recovery;
    if (Secret recovery = typedRecoveryPassword(text); !recovery.empty()) return recovery;
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
