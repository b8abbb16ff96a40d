#include "runtime/RuntimeError.h"
#include "runtime/Variant.h"

#include <gtest/gtest.h>

using namespace runtime;

namespace {

int errorOf(auto&& f)
{
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

}  // namespace

TEST(Variant, TextOfEachKind)
{
    EXPECT_EQ(toText(QString()), QString());
    EXPECT_EQ(toText(QStringLiteral("abc")), QStringLiteral("abc"));
    EXPECT_EQ(toText(std::int32_t{-1}), QStringLiteral("-1"));
    EXPECT_EQ(toText(std::int32_t{524288}), QStringLiteral("524288"));
    EXPECT_EQ(errorOf([] { toText(QStringList{QStringLiteral("a")}); }), 13);
    EXPECT_EQ(errorOf([] { toText(QByteArray("\x01", 1)); }), 13);
}

TEST(Variant, TextReadAsSixteenBitNumber)
{
    const std::pair<const char*, int> cases[] = {
        {"12.5", 12}, {"13.5", 14}, {"-2.5", -2}, {" 42 ", 42}, {"+7", 7}, {"1e3", 1000},
        {"&H10", 16}, {"&o17", 15}, {"32767.4", 32767}, {"-32768.5", -32768}, {".5", 0},
        {"&HFFFF", -1},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(toInt16(QString::fromLatin1(text)), expected) << text;
}

TEST(Variant, SixteenBitOverflowAndMismatch)
{
    for (const char* text : {"32767.5", "-32769", "1e400", "&H10000"})
        EXPECT_EQ(errorOf([&] { toInt16(QString::fromLatin1(text)); }), 6) << text;
    EXPECT_EQ(errorOf([] { toInt16(std::int32_t{65536}); }), 6);
    for (const char* text : {"", " ", "42abc", "0x10", "1,5", "&O8", "&H", "+&H1", "1e"})
        EXPECT_EQ(errorOf([&] { toInt16(QString::fromLatin1(text)); }), 13) << text;
    EXPECT_EQ(errorOf([] { toInt16(QStringList()); }), 13);
    EXPECT_EQ(errorOf([] { toInt16(QByteArray()); }), 13);
}

TEST(Variant, ThirtyTwoBitRange)
{
    EXPECT_EQ(toInt32(QStringLiteral("2147483647")), 2147483647);
    EXPECT_EQ(toInt32(std::int32_t{524288}), 524288);
    EXPECT_EQ(toInt32(QStringLiteral("-2147483648")), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(toInt32(QStringLiteral("&HFFFFFFFF")), -1);
    EXPECT_EQ(toInt32(QStringLiteral("&H10000")), 65536);
    EXPECT_EQ(errorOf([] { toInt32(QStringLiteral("2147483648")); }), 6);
    EXPECT_EQ(errorOf([] { toInt32(QStringLiteral("&H100000000")); }), 6);
}
