#include "app/JsonWriter.h"

#include <QString>

#include <algorithm>

namespace {

// A lone surrogate (a damaged name) as U+FFFD, the replacement character,
// which the UTF-8 encoder would make a question mark.
QString wellFormed(QStringView text)
{
    QString out = text.toString();
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out[i];
        if (c.isHighSurrogate() && i + 1 < out.size() && out[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            out[i] = QChar(QChar::ReplacementCharacter);
    }
    return out;
}

void appendString(QByteArray& out, QStringView text)
{
    const bool lone = std::any_of(text.begin(), text.end(), [](QChar c) { return c.isSurrogate(); });
    const QByteArray utf8 = lone ? wellFormed(text).toUtf8() : text.toUtf8();
    out += '"';
    // Runs that need no escape go in whole.
    qsizetype plain = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto u = static_cast<unsigned char>(utf8[i]);
        if (u >= 0x20 && u != '"' && u != '\\') continue;
        out.append(utf8.constData() + plain, i - plain);
        plain = i + 1;
        switch (u) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: {
            static const char hex[] = "0123456789abcdef";
            const char escaped[] = {'\\', 'u', '0', '0', hex[u >> 4], hex[u & 0xF]};
            out.append(escaped, sizeof escaped);
        }
        }
    }
    out.append(utf8.constData() + plain, utf8.size() - plain);
    out += '"';
}

}  // namespace

void JsonWriter::newline()
{
    if (compact_) return;
    out_ += '\n';
    out_.append(qsizetype(2 * firstInLevel_.size()), ' ');
}

void JsonWriter::beforeValue()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (firstInLevel_.empty()) return;
    if (!firstInLevel_.back()) out_ += ',';
    firstInLevel_.back() = false;
    newline();
}

void JsonWriter::open(char bracket)
{
    beforeValue();
    out_ += bracket;
    firstInLevel_.push_back(true);
}

void JsonWriter::close(char bracket)
{
    const bool empty = firstInLevel_.back();
    firstInLevel_.pop_back();
    if (!empty) newline();
    out_ += bracket;
}

void JsonWriter::beginObject() { open('{'); }
void JsonWriter::endObject() { close('}'); }
void JsonWriter::beginArray() { open('['); }
void JsonWriter::endArray() { close(']'); }

void JsonWriter::key(QStringView name)
{
    beforeValue();
    appendString(out_, name);
    out_ += compact_ ? ":" : ": ";
    afterKey_ = true;
}

void JsonWriter::text(QStringView text)
{
    beforeValue();
    appendString(out_, text);
}

void JsonWriter::number(std::int64_t number)
{
    beforeValue();
    out_ += QByteArray::number(number);
}

void JsonWriter::boolean(bool truth)
{
    beforeValue();
    out_ += truth ? "true" : "false";
}

void JsonWriter::null()
{
    beforeValue();
    out_ += "null";
}
