#pragma once

#include <QByteArray>
#include <QStringView>

#include <cstdint>
#include <vector>

// Writes one JSON document, UTF-8, indented by two blanks or on one line,
// keys in the order they are written (which QJsonObject would sort).
class JsonWriter {
public:
    enum class Style { Indented, Compact };
    explicit JsonWriter(Style style = Style::Indented) : compact_(style == Style::Compact) {}

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    void key(QStringView name);  // inside an object, before each value

    void text(QStringView text);
    void number(std::int64_t number);
    void boolean(bool truth);
    void null();

    // The document, ending in a line end.
    QByteArray finished() const { return out_ + '\n'; }

private:
    void beforeValue();
    void open(char bracket);
    void close(char bracket);
    void newline();

    QByteArray out_;
    std::vector<bool> firstInLevel_;  // one per open object or array
    bool afterKey_ = false;
    bool compact_ = false;
};
