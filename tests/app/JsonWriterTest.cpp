// The JSON the terminal prints: texts from another machine's registry may hold
// anything, and the document must still parse to exactly those texts.
#include "app/JsonWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

TEST(JsonWriter, AnyTextParsesBackToItselfAndKeysKeepTheirOrder)
{
    const QString awkward = QStringLiteral("\"Anf\u00FChrung\"\\Pfad\t\r\n") + QChar(u'\x01') + QChar(u'\x1f')
                            + QStringLiteral("\u20AC \U0001F600 ende");
    JsonWriter json;
    json.beginObject();
    json.key(u"zuletzt");
    json.text(awkward);
    json.key(u"alpha");
    json.number(-2147024894);
    json.key(u"leer");
    json.beginArray();
    json.endArray();
    json.key(u"liste");
    json.beginArray();
    json.boolean(true);
    json.null();
    json.beginObject();
    json.endObject();
    json.endArray();
    json.endObject();
    const QByteArray out = json.finished();

    QJsonParseError error{};
    const QJsonObject parsed = QJsonDocument::fromJson(out, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << out.toStdString();
    EXPECT_EQ(parsed[u"zuletzt"].toString(), awkward);
    EXPECT_EQ(parsed[u"alpha"].toInteger(), -2147024894);
    EXPECT_EQ(parsed[u"leer"].toArray(), QJsonArray());
    EXPECT_EQ(parsed[u"liste"].toArray(), (QJsonArray{true, QJsonValue::Null, QJsonObject()}));
    EXPECT_LT(out.indexOf("\"zuletzt\""), out.indexOf("\"alpha\""));  // written order, not sorted
    EXPECT_TRUE(out.endsWith("}\n"));
    // A lone surrogate (a damaged name) becomes U+FFFD, never invalid UTF-8.
    JsonWriter lone;
    lone.text(QString(QChar(0xD800)));
    EXPECT_EQ(lone.finished(), QByteArray("\"\xEF\xBF\xBD\"\n"));
}

// --jsonl's lines: the same document on one line, without blanks between its parts.
TEST(JsonWriter, CompactIsOneLine)
{
    JsonWriter json(JsonWriter::Style::Compact);
    json.beginObject();
    json.key(u"a");
    json.beginArray();
    json.number(1);
    json.text(u"x y");
    json.endArray();
    json.key(u"b");
    json.null();
    json.endObject();
    EXPECT_EQ(json.finished(), QByteArray("{\"a\":[1,\"x y\"],\"b\":null}\n"));
}
