// Reads the registry's text formats into a RegistryTree: export files
// ("REGEDIT4", "Windows Registry Editor Version 5.00") and Wine registry files.
#include "registry/RegistryFileParser.h"

#include "runtime/RuntimeError.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <optional>
#include <vector>

namespace registry {

namespace ErrorNumber = runtime::ErrorNumber;
using runtime::RuntimeError;

namespace {

constexpr qint64 MaxFileSize = 256LL * 1024 * 1024;
constexpr qsizetype MaxKeyNameLength = 255;
constexpr qsizetype MaxValueNameLength = 16383;
constexpr qsizetype MaxKeyDepth = 512;

const QString Regedit4Header = QStringLiteral("REGEDIT4");
const QString Regedit5Header = QStringLiteral("Windows Registry Editor Version 5.00");
const QString WineHeader = QStringLiteral("WINE REGISTRY Version 2");

[[noreturn]] void fail(const QString& source, qsizetype line, const QString& what)
{
    throw RuntimeError(ErrorNumber::InvalidData,
                       QStringLiteral("Registrierungsdatei \u201E%1\u201C, Zeile %2: %3")
                           .arg(source)
                           .arg(line)
                           .arg(what));
}

// Windows-1252: Latin-1 except 0x80..0x9F.
QString decodeWindows1252(QByteArrayView bytes)
{
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        d[i] = (c >= 0x80 && c < 0xA0) ? QChar(high[c - 0x80]) : QChar(c);
    }
    return out;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// The offset of the first byte that is not well-formed UTF-8 (overlong forms,
// surrogates and code points past U+10FFFF included), or -1.
qsizetype firstInvalidUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) { ++i; continue; }
        int extra;
        unsigned char lo = 0x80, hi = 0xBF;  // the allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) extra = 1;
        else if (c == 0xE0) extra = 2, lo = 0xA0;
        else if (c == 0xED) extra = 2, hi = 0x9F;
        else if (c >= 0xE1 && c <= 0xEF) extra = 2;
        else if (c == 0xF0) extra = 3, lo = 0x90;
        else if (c >= 0xF1 && c <= 0xF3) extra = 3;
        else if (c == 0xF4) extra = 3, hi = 0x8F;
        else return i;
        if (i + extra >= n) return i;  // cut off at the end
        for (int k = 1; k <= extra; ++k) {
            const unsigned char b = p[i + k];
            if (k == 1 ? (b < lo || b > hi) : (b < 0x80 || b > 0xBF)) return i;
        }
        i += extra + 1;
    }
    return -1;
}

enum class Format { Regedit4, Regedit5, Wine };

class Parser {
public:
    Parser(const QString& source, Format format, const QString& text)
        : source_(source), format_(format), text_(text)
    {
    }

    RegistryTree run()
    {
        nextLine();  // the header, already checked
        while (nextLine()) {
            QStringView line = line_.trimmed();
            if (line.isEmpty() || line.startsWith(u';')) continue;
            if (line.startsWith(u'[')) {
                keyLine(line);
            } else if (line.startsWith(u'#')) {
                if (format_ != Format::Wine) error(QStringLiteral("erwartet: Schlüssel, Wert oder Kommentar"));
                if (line == u"#link" && current_) currentIsLink_ = true;
                // #time=, #class=, #arch= carry nothing the tree keeps.
            } else if (line.startsWith(u'"') || line.startsWith(u'@')) {
                valueLine(line);
            } else {
                error(QStringLiteral("erwartet: Schlüssel in [ ], Wert oder Kommentar"));
            }
        }
        return std::move(tree_);
    }

private:
    [[noreturn]] void error(const QString& what) const { fail(source_, lineNo_, what); }

    bool nextLine()
    {
        if (pos_ >= text_.size()) return false;  // nothing after the last line break
        qsizetype end = text_.indexOf(u'\n', pos_);
        if (end < 0) end = text_.size();
        line_ = QStringView(text_).mid(pos_, end - pos_);
        if (line_.endsWith(u'\r')) line_.chop(1);
        pos_ = end + 1;
        ++lineNo_;
        return true;
    }

    // A string body from just after the opening quote (or bracket) up to the
    // unescaped terminator; `at` is left just after it. Without escapes (most
    // strings) a view of `s`; else the text built in `scratch`.
    QStringView unescape(QStringView s, qsizetype& at, char16_t terminator, QString& scratch)
    {
        qsizetype plain = at;
        while (plain < s.size() && s[plain] != terminator && s[plain] != u'\\') ++plain;
        if (plain < s.size() && s[plain] == terminator) {
            const QStringView out = s.sliced(at, plain - at);
            at = plain + 1;
            return out;
        }
        QString& out = scratch;
        out.resize(0);  // keeps its room for the next string
        while (at < s.size()) {
            // Copy runs of plain characters at once.
            qsizetype run = at;
            while (run < s.size() && s[run] != terminator && s[run] != u'\\') ++run;
            out.append(s.mid(at, run - at));
            at = run;
            if (at >= s.size()) break;
            const QChar c = s[at++];
            if (c == terminator) return out;
            if (at >= s.size()) break;
            const QChar e = s[at++];
            if (e == u'\\' || e == u'"') {
                out.append(e);
            } else if (format_ == Format::Wine && (e == u']' || e == u'[')) {
                out.append(e);
            } else if (format_ == Format::Wine && e == u'n') {
                out.append(u'\n');
            } else if (format_ == Format::Wine && e == u'r') {
                out.append(u'\r');
            } else if (format_ == Format::Wine && e == u't') {
                out.append(u'\t');
            } else if (format_ == Format::Wine && e == u'x') {
                int v = 0, n = 0;
                while (n < 4 && at < s.size() && hexDigit(s[at]) >= 0) v = v * 16 + hexDigit(s[at++]), ++n;
                if (n == 0) error(QStringLiteral("ungültige Escape-Sequenz \\x ohne Hexziffer"));
                out.append(QChar(char16_t(v)));
            } else if (format_ == Format::Wine && e >= u'0' && e <= u'7') {
                int v = e.unicode() - '0', n = 1;
                while (n < 3 && at < s.size() && s[at] >= u'0' && s[at] <= u'7')
                    v = v * 8 + (s[at++].unicode() - '0'), ++n;
                out.append(QChar(char16_t(v)));
            } else {
                error(QStringLiteral("ungültige Escape-Sequenz \\%1").arg(e));
            }
        }
        error(terminator == u']' ? QStringLiteral("Schlüssel nicht mit ] abgeschlossen")
                                 : QStringLiteral("Zeichenkette nicht mit \" abgeschlossen"));
    }

    void keyLine(QStringView line)
    {
        current_ = nullptr;
        currentIsLink_ = false;
        qsizetype at = 1;
        const bool remove = format_ != Format::Wine && line.size() > 1 && line[1] == u'-';
        if (remove) ++at;
        QStringView path;
        if (format_ == Format::Wine) {
            path = unescape(line, at, u']', pathScratch_);  // a timestamp may follow
        } else {
            if (!line.endsWith(u']')) error(QStringLiteral("Schlüssel nicht mit ] abgeschlossen"));
            path = line.mid(at, line.size() - at - 1);
        }
        QList<QStringView> parts = path.split(u'\\');
        if (format_ != Format::Wine) {
            const QStringView hive = parts.isEmpty() ? QStringView() : parts.front();
            if (hive.compare(u"HKEY_LOCAL_MACHINE", Qt::CaseInsensitive) != 0
                && hive.compare(u"HKLM", Qt::CaseInsensitive) != 0) {
                if (hive.isEmpty()) error(QStringLiteral("erwartet: Name eines Schlüssels in [ ]"));
                return;  // another hive: its values are skipped
            }
            parts.removeFirst();
        }
        if (!parts.isEmpty() && parts.back().isEmpty()) parts.removeLast();  // "...\]"
        if (parts.size() > MaxKeyDepth)
            error(QStringLiteral("Schlüssel tiefer als %1 Ebenen").arg(MaxKeyDepth));
        for (QStringView p : parts) {
            if (p.isEmpty()) error(QStringLiteral("leerer Schlüsselname im Pfad"));
            if (p.size() > MaxKeyNameLength)
                error(QStringLiteral("Schlüsselname länger als %1 Zeichen").arg(MaxKeyNameLength));
        }
        if (remove) {
            path_.clear();  // the removed keys may be on it
            RegKey* key = &tree_.root();
            for (qsizetype i = 0; key && i + 1 < parts.size(); ++i) key = key->child(parts[i]);
            if (key && !parts.isEmpty()) key->removeChild(parts.back());
            return;
        }
        // Files list keys in order, so a key mostly shares its parents with the one before.
        std::size_t shared = 0;
        while (shared < path_.size() && shared < std::size_t(parts.size())
               && sameName(path_[shared]->name(), parts[qsizetype(shared)]))
            ++shared;
        path_.resize(shared);
        RegKey* key = shared ? path_.back() : &tree_.root();
        for (qsizetype i = qsizetype(shared); i < parts.size(); ++i) {
            key = &key->ensureChild(parts[i]);
            path_.push_back(key);
        }
        current_ = key;
        haveKey_ = true;
    }

    // Joins ",\" continuation lines onto the data (in hexScratch_ when there are any).
    QStringView continued(QStringView data)
    {
        data = data.trimmed();
        if (!data.endsWith(u'\\')) return data;
        QString& all = hexScratch_;
        all.resize(0);
        all += data;
        while (all.endsWith(u'\\')) {
            all.chop(1);
            if (!nextLine()) error(QStringLiteral("Fortsetzungszeile fehlt am Dateiende"));
            all += line_.trimmed();
        }
        return all;
    }

    // The bytes of a hex list, into bytes_.
    void hexBytes(QStringView list)
    {
        QByteArray& out = bytes_;
        out.resize(0);
        out.reserve(list.size() / 3 + 1);
        qsizetype i = 0;
        auto skipSpace = [&] { while (i < list.size() && list[i].isSpace()) ++i; };
        skipSpace();
        if (i >= list.size()) return;
        for (;;) {
            skipSpace();
            int v = 0, n = 0;
            while (i < list.size() && hexDigit(list[i]) >= 0 && n < 3) v = v * 16 + hexDigit(list[i++]), ++n;
            if (n == 0 || n > 2) error(QStringLiteral("ungültige Hexdaten: erwartet zwei Hexziffern je Byte, durch Kommas getrennt"));
            out.append(char(v));
            skipSpace();
            if (i >= list.size()) return;
            if (list[i] != u',') error(QStringLiteral("ungültige Hexdaten: erwartet \",\" nach einem Byte"));
            ++i;
            skipSpace();
            if (i >= list.size()) return;  // a trailing comma before the line ends
        }
    }

    void expectEnd(QStringView rest)
    {
        rest = rest.trimmed();
        if (!rest.isEmpty() && !rest.startsWith(u';'))
            error(QStringLiteral("unerwartete Zeichen nach dem Wert: %1").arg(rest.left(20)));
    }

    void valueLine(QStringView line)
    {
        if (!haveKey_) error(QStringLiteral("Wert vor dem ersten Schlüssel"));
        QStringView name(u"", 0);
        qsizetype at = 1;
        if (line[0] == u'"') {
            name = unescape(line, at, u'"', nameScratch_);
            if (name.size() > MaxValueNameLength)
                error(QStringLiteral("Wertname länger als %1 Zeichen").arg(MaxValueNameLength));
        }
        while (at < line.size() && line[at].isSpace()) ++at;
        if (at >= line.size() || line[at] != u'=') error(QStringLiteral("erwartet: = nach dem Wertnamen"));
        ++at;
        while (at < line.size() && line[at].isSpace()) ++at;
        QStringView data = line.mid(at);

        if (data.startsWith(u'-') && format_ != Format::Wine) {
            expectEnd(data.mid(1));
            if (current_) current_->removeValue(name);
            return;
        }
        // The value's data is built in bytes_, whose room serves every value;
        // the tree copies it into its arena.
        std::uint32_t type = 0;
        if (data.startsWith(u'"')) {
            qsizetype p = 1;
            const QStringView s = unescape(data, p, u'"', dataScratch_);
            expectEnd(data.mid(p));
            type = std::uint32_t(RegType::Sz);
            setUtf16Data(bytes_, s, true);
        } else if (format_ == Format::Wine && data.startsWith(u"str")) {
            type = 1;
            qsizetype p = 3;
            if (data.mid(p).startsWith(u"(2):")) type = 2, p += 4;
            else if (data.mid(p).startsWith(u"(7):")) type = 7, p += 4;
            else if (data.mid(p).startsWith(u':')) p += 1;
            else error(QStringLiteral("erwartet: str:, str(2): oder str(7):"));
            if (p >= data.size() || data[p] != u'"') error(QStringLiteral("erwartet: \" nach str:"));
            ++p;
            const QStringView s = unescape(data, p, u'"', dataScratch_);
            expectEnd(data.mid(p));
            // Multi-strings are written with \0 separators; the list ends in two NULs.
            setUtf16Data(bytes_, s, true);
            if (type == 7 && !s.endsWith(QChar(0))) bytes_.append(2, '\0');
        } else if (data.startsWith(u"dword:")) {
            QStringView digits = data.mid(6);
            qsizetype n = 0;
            std::uint32_t v = 0;
            while (n < digits.size() && hexDigit(digits[n]) >= 0) v = v * 16 + hexDigit(digits[n++]);
            if (n == 0 || n > 8) error(QStringLiteral("ungültiges dword: erwartet 1 bis 8 Hexziffern"));
            expectEnd(digits.mid(n));
            type = std::uint32_t(RegType::Dword);
            bytes_ = dwordData(v);
        } else if (data.startsWith(u"hex")) {
            type = std::uint32_t(RegType::Binary);
            QStringView rest = data.mid(3);
            if (rest.startsWith(u'(')) {
                const qsizetype close = rest.indexOf(u')');
                if (close < 2) error(QStringLiteral("erwartet: hex(Typ): mit hexadezimalem Typ"));
                bool ok = false;
                type = rest.mid(1, close - 1).toUInt(&ok, 16);
                if (!ok) error(QStringLiteral("ungültiger Typ in hex(…): %1").arg(rest.mid(1, close - 1)));
                rest = rest.mid(close + 1);
            }
            if (!rest.startsWith(u':')) error(QStringLiteral("erwartet: \":\" nach hex"));
            hexBytes(continued(rest.mid(1)));
            // REGEDIT4 writes string types in the 8-bit code page; the tree holds UTF-16LE.
            if (format_ == Format::Regedit4 && (type == 1 || type == 2 || type == 7))
                setUtf16Data(bytes_, decodeWindows1252(bytes_), false);
        } else {
            error(QStringLiteral("erwartet: \"Text\", dword:, hex: oder -"));
        }
        if (!current_) return;  // inside a skipped hive
        if (currentIsLink_ && format_ == Format::Wine
            && name.compare(u"SymbolicLinkValue", Qt::CaseInsensitive) == 0) {
            if (type != std::uint32_t(RegType::Link)) {
                // Link targets are stored without a terminator.
                if (bytes_.endsWith(QByteArrayView("\0\0", 2))) bytes_.chop(2);
                type = std::uint32_t(RegType::Link);
            }
        }
        current_->setValue(name, RegValueView{type, bytes_});
    }

    const QString& source_;
    Format format_;
    const QString& text_;
    qsizetype pos_ = 0;
    qsizetype lineNo_ = 0;
    QStringView line_;
    RegistryTree tree_;
    RegKey* current_ = nullptr;
    std::vector<RegKey*> path_;  // the keys from the root down to the last key line's
    bool currentIsLink_ = false;
    bool haveKey_ = false;
    // Room reused from line to line: unescaped texts, joined hex lines, value data.
    QString pathScratch_, nameScratch_, dataScratch_, hexScratch_;
    QByteArray bytes_;
};

[[noreturn]] void unknownHeader(const QString& source)
{
    fail(source, 1,
         QStringLiteral("unbekannter Dateikopf; erwartet \u201E%1\u201C, \u201E%2\u201C, \u201E%3\u201C oder eine "
                        "Registrierungsstruktur (\u201Eregf\u201C)")
             .arg(Regedit4Header, Regedit5Header, WineHeader));
}

QStringView firstLine(const QString& text)
{
    QStringView v(text);
    qsizetype end = v.indexOf(u'\n');
    QStringView line = end < 0 ? v : v.left(end);
    if (line.endsWith(u'\r')) line.chop(1);
    return line.trimmed();
}

}  // namespace

RegistryTree parseRegistry(QByteArrayView bytes, const QString& sourceName)
{
    if (bytes.size() > MaxFileSize) fail(sourceName, 0, QStringLiteral("Datei größer als 256 MiB"));
    QString text;
    std::optional<Format> format;
    if (bytes.size() >= 2 && uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xFE) {
        if (bytes.size() % 2 != 0) fail(sourceName, 1, QStringLiteral("UTF-16-Daten mit ungerader Länge"));
        const QByteArrayView body = bytes.sliced(2);
        text.resize(body.size() / 2);
        for (qsizetype i = 0; i < text.size(); ++i)
            text[i] = QChar(char16_t(uchar(body[2 * i]) | (uchar(body[2 * i + 1]) << 8)));
    } else if (bytes.size() >= 2 && uchar(bytes[0]) == 0xFE && uchar(bytes[1]) == 0xFF) {
        fail(sourceName, 1, QStringLiteral("UTF-16 in Big-Endian-Folge; erwartet UTF-16LE, UTF-8 oder 8-Bit-Text"));
    } else {
        QByteArrayView body = bytes;
        if (body.startsWith("\xEF\xBB\xBF")) body = body.sliced(3);
        if (body.startsWith(Regedit4Header.toLatin1())) {
            text = decodeWindows1252(body);
            format = Format::Regedit4;
        } else {
            // A file whose first line is no header is no registry file (a damaged
            // hive, an executable): say so, rather than what its bytes are not.
            const qsizetype eol = body.indexOf('\n');
            const QByteArrayView first = body.first(eol < 0 ? body.size() : eol).trimmed();
            if (first != Regedit5Header.toLatin1() && first != WineHeader.toLatin1()) unknownHeader(sourceName);
            // Stateless: a sequence cut off by the end of the file is an error, not pending input.
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            text = utf8(body);
            if (utf8.hasError()) {
                const qsizetype at = std::max<qsizetype>(firstInvalidUtf8(body), 0);
                fail(sourceName, body.first(at).count('\n') + 1, QStringLiteral("ungültige UTF-8-Daten"));
            }
        }
    }
    const QStringView header = firstLine(text);
    if (!format) {
        if (header == Regedit5Header) format = Format::Regedit5;
        else if (header == WineHeader) format = Format::Wine;
        else if (header == Regedit4Header) format = Format::Regedit4;
    } else if (header != Regedit4Header) {
        format.reset();
    }
    if (!format) unknownHeader(sourceName);
    RegistryTree tree = Parser(sourceName, *format, text).run();
    tree.setOrigin(*format == Format::Wine ? RegistryTree::Origin::Wine : RegistryTree::Origin::Export);
    return tree;
}

RegistryTree parseRegistryFile(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        throw RuntimeError(ErrorNumber::FileNotFound,
                           QStringLiteral("Registrierungsdatei \u201E%1\u201C nicht gefunden").arg(path));
    // A FIFO or a device would block the read or never end; only plain files are registries.
    if (!QFileInfo(path).isFile())
        throw RuntimeError(ErrorNumber::FileNotFound,
                           QStringLiteral("Registrierungsdatei \u201E%1\u201C ist keine gew\u00F6hnliche Datei")
                               .arg(path));
    if (!file.open(QIODevice::ReadOnly))
        throw RuntimeError(ErrorNumber::FileNotFound,
                           QStringLiteral("Registrierungsdatei \u201E%1\u201C nicht lesbar: %2")
                               .arg(path, file.errorString()));
    if (file.size() > MaxFileSize) fail(path, 0, QStringLiteral("Datei größer als 256 MiB"));
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        throw RuntimeError(ErrorNumber::FileNotFound,
                           QStringLiteral("Registrierungsdatei \u201E%1\u201C nicht lesbar: %2")
                               .arg(path, file.errorString()));
    return parseRegistry(bytes, path);
}

}  // namespace registry
