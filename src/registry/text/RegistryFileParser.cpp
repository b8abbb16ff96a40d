// Checks the registry's text formats, export files ("REGEDIT4", "Windows
// Registry Editor Version 5.00") and Wine registry files, and reads the values
// of a key's lines when they are asked for.
#include "registry/text/RegistryFileParser.h"

#include "registry/text/RegistryTree.h"
#include "runtime/RuntimeError.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include <unistd.h>

namespace registry {

namespace ErrorNumber = runtime::ErrorNumber;
using runtime::RuntimeError;

namespace {

constexpr qsizetype MaxKeyNameLength = 255;
constexpr qsizetype MaxValueNameLength = 16383;
constexpr qsizetype MaxKeyDepth = 512;

const QString Regedit4Header = QStringLiteral("REGEDIT4");
const QString Regedit5Header = QStringLiteral("Windows Registry Editor Version 5.00");
const QString WineHeader = QStringLiteral("WINE REGISTRY Version 2");

[[noreturn]] void fail(const QString& source, qsizetype line, const QString& what)
{
    throw registryTextError(source, line, what);
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

using Format = RegistryFormat;

class Parser {
public:
    Parser(const QString& source, Format format, TextLines& lines) : source_(source), format_(format), lines_(lines) {}

    // Every line after the header, checked; the key lines of HKLM recorded.
    void check(std::size_t rootHash, std::vector<KeyLine>& keys, std::vector<KeyLine>& removals)
    {
        lineNo_ = 1;  // the header, read before
        rootHash_ = rootHash;
        keys_ = &keys;
        removals_ = &removals;
        while (nextLine()) {
            QStringView line = line_.trimmed();
            if (line.isEmpty() || line.startsWith(u';')) continue;
            if (line.startsWith(u'[')) keyLine(line);
            else otherLine(line);
        }
    }

    // The values below the key line at `at`, up to the next key line, into `key`.
    void readValues(std::int64_t at, RegKey& key)
    {
        lines_.seek(at);
        nextLine();  // the key line
        current_ = &key;
        haveKey_ = true;
        while (nextLine()) {
            QStringView line = line_.trimmed();
            if (line.isEmpty() || line.startsWith(u';')) continue;
            if (line.startsWith(u'[')) return;
            otherLine(line);
        }
    }

    // The names of the key line at `at`, and whether it removes its key.
    QStringList keyPath(std::int64_t at, bool& remove)
    {
        lines_.seek(at);
        nextLine();
        QStringList names;
        if (const QList<QStringView>* path = keyPathOf(line_.trimmed()))
            for (QStringView name : *path) names.append(name.toString());
        remove = names.isEmpty() ? false : remove_;
        return names;
    }

private:
    [[noreturn]] void error(const QString& what) const
    {
        // A fault in the encoding anywhere is told before any other: a file
        // that is not text is not read as text (the lines before this one decoded).
        if (lines_.encoding() == TextLines::Encoding::Utf8) {
            const QByteArrayView rest = QByteArrayView(lines_.bytes()).sliced(lines_.lineStart());
            const qsizetype bad = firstInvalidUtf8(rest);
            if (bad >= 0) fail(source_, lineNo_ + rest.first(bad).count('\n'), QStringLiteral("ungültige UTF-8-Daten"));
        }
        fail(source_, lineNo_, what);
    }

    bool nextLine()
    {
        if (!lines_.next(line_)) return false;
        ++lineNo_;
        if (lines_.invalidUtf8()) fail(source_, lineNo_, QStringLiteral("ungültige UTF-8-Daten"));
        return true;
    }

    void otherLine(QStringView line)
    {
        if (line.startsWith(u'#')) {
            if (format_ != Format::Wine) error(QStringLiteral("erwartet: Schlüssel, Wert oder Kommentar"));
            if (line == u"#link" && current_) currentIsLink_ = true;
            // #time=, #class=, #arch= carry nothing the tree keeps.
        } else if (line.startsWith(u'"') || line.startsWith(u'@')) {
            valueLine(line);
        } else {
            error(QStringLiteral("erwartet: Schlüssel in [ ], Wert oder Kommentar"));
        }
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
        // Unescaping never lengthens: the room for the rest of the line is enough.
        if (scratch.size() < s.size() - at) scratch.resize(s.size() - at);
        char16_t* const begin = reinterpret_cast<char16_t*>(scratch.data());
        char16_t* out = begin;
        const char16_t* in = s.utf16();
        while (at < s.size()) {
            // Plain characters, copied as they are found (runs are short: a
            // name between two escaped backslashes).
            while (at < s.size() && in[at] != terminator && in[at] != u'\\') *out++ = in[at++];
            if (at >= s.size()) break;
            const char16_t c = in[at++];
            if (c == terminator) return QStringView(begin, out - begin);
            if (at >= s.size()) break;
            const char16_t e = in[at++];
            if (e == u'\\' || e == u'"') {
                *out++ = e;
            } else if (format_ == Format::Wine && (e == u']' || e == u'[')) {
                *out++ = e;
            } else if (format_ == Format::Wine && e == u'n') {
                *out++ = u'\n';
            } else if (format_ == Format::Wine && e == u'r') {
                *out++ = u'\r';
            } else if (format_ == Format::Wine && e == u't') {
                *out++ = u'\t';
            } else if (format_ == Format::Wine && e == u'x') {
                int v = 0, n = 0;
                while (n < 4 && at < s.size() && hexDigit(s[at]) >= 0) v = v * 16 + hexDigit(s[at++]), ++n;
                if (n == 0) error(QStringLiteral("ungültige Escape-Sequenz \\x ohne Hexziffer"));
                *out++ = char16_t(v);
            } else if (format_ == Format::Wine && e >= u'0' && e <= u'7') {
                int v = e - u'0', n = 1;
                while (n < 3 && at < s.size() && in[at] >= u'0' && in[at] <= u'7') v = v * 8 + (in[at++] - u'0'), ++n;
                *out++ = char16_t(v);
            } else {
                error(QStringLiteral("ungültige Escape-Sequenz \\%1").arg(QChar(e)));
            }
        }
        error(terminator == u']' ? QStringLiteral("Schlüssel nicht mit ] abgeschlossen")
                                 : QStringLiteral("Zeichenkette nicht mit \" abgeschlossen"));
    }

    // A key line's names below HKLM, checked (in parts_, until the next key
    // line); nothing for a key of another hive.
    const QList<QStringView>* keyPathOf(QStringView line)
    {
        qsizetype at = 1;
        remove_ = format_ != Format::Wine && line.size() > 1 && line[1] == u'-';
        if (remove_) ++at;
        QStringView path;
        if (format_ == Format::Wine) {
            path = unescape(line, at, u']', pathScratch_);  // a timestamp may follow
        } else {
            if (!line.endsWith(u']')) error(QStringLiteral("Schlüssel nicht mit ] abgeschlossen"));
            path = line.mid(at, line.size() - at - 1);
        }
        QList<QStringView>& parts = parts_;
        parts.clear();  // its room stays
        for (qsizetype from = 0;;) {
            const qsizetype to = path.indexOf(u'\\', from);
            parts.append(path.sliced(from, (to < 0 ? path.size() : to) - from));
            if (to < 0) break;
            from = to + 1;
        }
        if (format_ != Format::Wine) {
            const QStringView hive = parts.isEmpty() ? QStringView() : parts.front();
            if (hive.compare(u"HKEY_LOCAL_MACHINE", Qt::CaseInsensitive) != 0
                && hive.compare(u"HKLM", Qt::CaseInsensitive) != 0) {
                if (hive.isEmpty()) error(QStringLiteral("erwartet: Name eines Schlüssels in [ ]"));
                return nullptr;  // another hive: its values are skipped
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
        return &parts;
    }

    // Records where the key line's key is, and where the keys above it first
    // appear after the line before (files list keys in order, so a key mostly
    // shares its parents with the one before, and these are few).
    void keyLine(QStringView line)
    {
        currentIsLink_ = false;
        const std::int64_t at = lines_.lineStart();
        const QList<QStringView>* key = keyPathOf(line);
        haveKey_ = true;  // values may follow, even of another hive (they are skipped)
        if (!key) return;
        const QList<QStringView>& parts = *key;
        if (remove_) {
            // The keys on the way are named again after it: a removed key
            // exists again only where a later line names it.
            path_.clear();
            pathText_.resize(0);
            if (!parts.isEmpty()) {
                std::size_t hash = rootHash_;
                for (QStringView p : parts) hash = foldedHash(p, hash);
                removals_->push_back({hash, at * 2 + 1});
            }
            return;
        }
        std::size_t shared = 0;
        while (shared < path_.size() && shared < std::size_t(parts.size())
               && sameName(nameOf(path_[shared]), parts[qsizetype(shared)]))
            ++shared;
        path_.resize(shared);
        pathText_.resize(shared ? path_.back().start + path_.back().length : 0);
        std::size_t hash = shared ? path_.back().hash : rootHash_;
        for (qsizetype i = qsizetype(shared); i < parts.size(); ++i) {
            hash = foldedHash(parts[i], hash);
            path_.push_back({hash, pathText_.size(), parts[i].size()});
            pathText_.append(parts[i]);
            if (i + 1 < parts.size()) keys_->push_back({hash, at * 2});
        }
        keys_->push_back({hash, at * 2 + 1});
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
    void hexBytes(QStringView list, bool keep)
    {
        QByteArray& out = bytes_;
        out.resize(0);
        if (keep) out.reserve(list.size() / 3 + 1);
        qsizetype i = 0;
        auto skipSpace = [&] { while (i < list.size() && list[i].isSpace()) ++i; };
        skipSpace();
        if (i >= list.size()) return;
        for (;;) {
            skipSpace();
            int v = 0, n = 0;
            while (i < list.size() && hexDigit(list[i]) >= 0 && n < 3) v = v * 16 + hexDigit(list[i++]), ++n;
            if (n == 0 || n > 2) error(QStringLiteral("ungültige Hexdaten: erwartet zwei Hexziffern je Byte, durch Kommas getrennt"));
            if (keep) out.append(char(v));
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
        // the key copies it into its arena. A check only checks: it keeps nothing.
        const bool keep = current_ != nullptr;
        std::uint32_t type = 0;
        if (data.startsWith(u'"')) {
            qsizetype p = 1;
            const QStringView s = unescape(data, p, u'"', dataScratch_);
            expectEnd(data.mid(p));
            type = std::uint32_t(RegType::Sz);
            if (keep) setUtf16Data(bytes_, s, true);
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
            if (keep) setUtf16Data(bytes_, s, true);
            if (keep && type == 7 && !s.endsWith(QChar(0))) bytes_.append(2, '\0');
        } else if (data.startsWith(u"dword:")) {
            QStringView digits = data.mid(6);
            qsizetype n = 0;
            std::uint32_t v = 0;
            while (n < digits.size() && hexDigit(digits[n]) >= 0) v = v * 16 + hexDigit(digits[n++]);
            if (n == 0 || n > 8) error(QStringLiteral("ungültiges dword: erwartet 1 bis 8 Hexziffern"));
            expectEnd(digits.mid(n));
            type = std::uint32_t(RegType::Dword);
            if (keep) bytes_ = dwordData(v);
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
            // Continuation lines replace the line the name may still point into.
            if (rest.trimmed().endsWith(u'\\') && name.data() != nameScratch_.constData()) {
                nameScratch_ = name.toString();
                name = nameScratch_;
            }
            hexBytes(continued(rest.mid(1)), keep);
            // REGEDIT4 writes string types in the 8-bit code page; the tree holds UTF-16LE.
            if (keep && format_ == Format::Regedit4 && (type == 1 || type == 2 || type == 7))
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

    // One name of the last key line's path, its path's hash: in pathText_.
    struct PathName {
        std::size_t hash;
        qsizetype start, length;
    };
    QStringView nameOf(const PathName& n) const { return QStringView(pathText_).sliced(n.start, n.length); }

    const QString& source_;
    Format format_;
    TextLines& lines_;
    qsizetype lineNo_ = 0;
    QStringView line_;
    RegKey* current_ = nullptr;  // reading values: the key they go to
    bool currentIsLink_ = false;
    bool haveKey_ = false;
    bool remove_ = false;  // the last key line removes its key
    // Checking: where key lines go, and the path of the last one.
    std::size_t rootHash_ = 0;
    std::vector<KeyLine>* keys_ = nullptr;
    std::vector<KeyLine>* removals_ = nullptr;
    std::vector<PathName> path_;
    QString pathText_;
    QList<QStringView> parts_;
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

void sortByMark(std::vector<KeyLine>& lines)
{
    std::sort(lines.begin(), lines.end(), [](const KeyLine& a, const KeyLine& b) {
        return a.hash != b.hash ? a.hash < b.hash : a.mark < b.mark;
    });
}

}  // namespace

std::int64_t maxRegistryTextSize()
{
    // What the machine allows: the file is held once, in memory.
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
    const std::int64_t memory = pages > 0 && pageSize > 0 ? std::int64_t(pages) * pageSize : 0;
    constexpr std::int64_t AtLeast = sizeof(void*) >= 8 ? 4LL << 30 : 1LL << 30;
    return std::min<std::int64_t>(std::max(memory, AtLeast), std::numeric_limits<qsizetype>::max() / 2);
}

CheckedRegistry checkRegistry(QByteArray bytes, const QString& sourceName, std::size_t rootHash)
{
    if (bytes.size() > maxRegistryTextSize()) fail(sourceName, 0, tooLarge());
    std::optional<Format> format;
    TextLines::Encoding encoding = TextLines::Encoding::Utf8;
    qsizetype start = 0;
    const QByteArrayView all(bytes);
    if (all.size() >= 2 && uchar(all[0]) == 0xFF && uchar(all[1]) == 0xFE) {
        if (all.size() % 2 != 0) fail(sourceName, 1, QStringLiteral("UTF-16-Daten mit ungerader Länge"));
        encoding = TextLines::Encoding::Utf16;
        start = 2;
    } else if (all.size() >= 2 && uchar(all[0]) == 0xFE && uchar(all[1]) == 0xFF) {
        fail(sourceName, 1, QStringLiteral("UTF-16 in Big-Endian-Folge; erwartet UTF-16LE, UTF-8 oder 8-Bit-Text"));
    } else {
        if (all.startsWith("\xEF\xBB\xBF")) start = 3;
        const QByteArrayView body = all.sliced(start);
        if (body.startsWith(Regedit4Header.toLatin1())) {
            encoding = TextLines::Encoding::Windows1252;
            format = Format::Regedit4;
        } else {
            // A file whose first line is no header is no registry file (a damaged
            // hive, an executable): say so, rather than what its bytes are not.
            const qsizetype eol = body.indexOf('\n');
            const QByteArrayView first = body.first(eol < 0 ? body.size() : eol).trimmed();
            if (first != Regedit5Header.toLatin1() && first != WineHeader.toLatin1()) unknownHeader(sourceName);
        }
    }
    CheckedRegistry checked{TextLines(std::move(bytes), encoding, start), Format::Regedit5, {}, {}};
    QStringView first;
    if (!checked.lines.next(first)) unknownHeader(sourceName);
    const QStringView header = first.trimmed();
    if (!format) {
        if (header == Regedit5Header) format = Format::Regedit5;
        else if (header == WineHeader) format = Format::Wine;
        else if (header == Regedit4Header) format = Format::Regedit4;
    } else if (header != Regedit4Header) {
        format.reset();
    }
    if (!format) unknownHeader(sourceName);
    checked.format = *format;
    Parser parser(sourceName, *format, checked.lines);
    parser.check(rootHash, checked.keys, checked.removals);
    sortByMark(checked.keys);
    sortByMark(checked.removals);
    checked.keys.shrink_to_fit();
    return checked;
}

QStringList keyPathAt(TextLines& lines, RegistryFormat format, std::int64_t at, bool& remove)
{
    return Parser(QString(), format, lines).keyPath(at, remove);
}

void readValuesAt(TextLines& lines, RegistryFormat format, std::int64_t at, RegKey& key)
{
    Parser(QString(), format, lines).readValues(at, key);
}

runtime::RuntimeError registryTextError(const QString& source, qsizetype line, const QString& what)
{
    return RuntimeError(ErrorNumber::InvalidData,
                        QStringLiteral("Registrierungsdatei \u201E%1\u201C, Zeile %2: %3").arg(source).arg(line).arg(what));
}

QString tooLarge()
{
    const QString gib = QString::number(double(maxRegistryTextSize()) / double(1LL << 30), 'f', 1);
    return QStringLiteral("Datei größer als der Arbeitsspeicher (%1 GiB)").arg(QString(gib).replace(u'.', u','));
}

}  // namespace registry
