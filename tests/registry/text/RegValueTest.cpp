// The codec of registry value data: how each type's bytes become what RegRead
// returns, and back. The NUL rule is pinned for every kind of value.
#include "registry/text/RegValue.h"

#include <gtest/gtest.h>

#include <string_view>

using namespace registry;

namespace {

// UTF-16LE bytes of the units, NULs included, plus `extra` trailing bytes.
template <std::size_t N>
QByteArray units(const char16_t (&text)[N], const QByteArray& extra = {})
{
    QByteArray bytes;
    for (std::size_t i = 0; i + 1 < N; ++i) bytes.append(char(text[i] & 0xFF)).append(char(text[i] >> 8));
    return bytes + extra;
}

RegValue of(RegType type, const QByteArray& data) { return {std::uint32_t(type), data}; }

}  // namespace

TEST(RegValueCodec, TextEndsAtItsFirstNulForEveryTextType)
{
    for (RegType type : {RegType::Sz, RegType::ExpandSz, RegType::Link}) {
        SCOPED_TRACE(int(type));
        EXPECT_EQ(textOf(of(type, units(u"C:\\WINNT"))), QStringLiteral("C:\\WINNT"));         // none
        EXPECT_EQ(textOf(of(type, units(u"5.0\0\0\0"))), QStringLiteral("5.0"));               // trailing
        EXPECT_EQ(textOf(of(type, units(u"Summe\0Rest\0"))), QStringLiteral("Summe"));        // embedded
        EXPECT_EQ(textOf(of(type, units(u"ab", "x"))), QStringLiteral("ab"));                  // odd count
        EXPECT_EQ(textOf(of(type, units(u"ab\0", "x"))), QStringLiteral("ab"));
        EXPECT_EQ(textOf(of(type, QByteArray("x"))), QString());
        EXPECT_EQ(textOf(of(type, {})), QString());
        EXPECT_EQ(textOf(of(type, units(u"\0tail"))), QString());
    }
    for (RegType other : {RegType::None, RegType::Binary, RegType::Dword, RegType::MultiSz, RegType::Qword})
        EXPECT_EQ(textOf(of(other, units(u"text\0"))), std::nullopt) << int(other);
}

TEST(RegValueCodec, DwordIsExactlyFourBytesInEitherOrder)
{
    EXPECT_EQ(dwordOf(of(RegType::Dword, QByteArray("\x01\x02\x03\x80", 4))), 0x80030201u);
    EXPECT_EQ(dwordOf(of(RegType::DwordBigEndian, QByteArray("\x01\x02\x03\x80", 4))), 0x01020380u);
    EXPECT_EQ(dwordOf(of(RegType::Dword, QByteArray("\0\0\0\0", 4))), 0u);  // NULs are digits here
    for (const QByteArray& size : {QByteArray(), QByteArray(3, '\1'), QByteArray(5, '\1'), QByteArray(8, '\1')}) {
        EXPECT_EQ(dwordOf(of(RegType::Dword, size)), std::nullopt) << size.size();
        EXPECT_EQ(dwordOf(of(RegType::DwordBigEndian, size)), std::nullopt) << size.size();
    }
    EXPECT_EQ(dwordOf(of(RegType::Binary, QByteArray(4, '\1'))), std::nullopt);
    EXPECT_EQ(dwordOf(of(RegType::Sz, units(u"1\0"))), std::nullopt);
}

TEST(RegValueCodec, MultiStringEndsAtTheFirstEmptyText)
{
    const QStringList ab{QStringLiteral("a"), QStringLiteral("bc")};
    EXPECT_EQ(multiStringOf(of(RegType::MultiSz, units(u"a\0bc\0\0"))), ab);             // terminated list
    EXPECT_EQ(multiStringOf(of(RegType::MultiSz, units(u"a\0bc"))), ab);                 // none
    EXPECT_EQ(multiStringOf(of(RegType::MultiSz, units(u"a\0bc\0\0\0\0"))), ab);         // trailing
    EXPECT_EQ(multiStringOf(of(RegType::MultiSz, units(u"a\0bc\0\0hidden\0\0"))), ab);   // embedded end
    EXPECT_EQ(multiStringOf(of(RegType::MultiSz, units(u"a\0bc\0", "x"))), ab);          // odd count
    EXPECT_EQ(multiStringOf(of(RegType::MultiSz, units(u"\0\0"))), QStringList());
    EXPECT_EQ(multiStringOf(of(RegType::MultiSz, {})), QStringList());
    EXPECT_EQ(multiStringOf(of(RegType::Sz, units(u"a\0b\0\0"))), std::nullopt);
}

TEST(RegValueCodec, BuiltValuesReadBackUnchanged)
{
    const QString text = QStringLiteral("Lautstärke \U0001F3B5");  // a surrogate pair, too
    const RegValue sz = textValue(text);
    EXPECT_EQ(sz.type, std::uint32_t(RegType::Sz));
    EXPECT_TRUE(sz.data.endsWith(QByteArray(2, '\0')));
    EXPECT_EQ(sz.data.size(), (text.size() + 1) * 2);
    EXPECT_EQ(textOf(sz), text);
    EXPECT_EQ(textOf(textValue(text, RegType::ExpandSz)), text);
    EXPECT_EQ(textValue(QString()).data, QByteArray(2, '\0'));
    EXPECT_EQ(utf16Data(u"A\u20AC", false), QByteArray("A\0\xAC\x20", 4));

    const RegValue dword = dwordValue(0xFFFFFFFFu);
    EXPECT_EQ(dword.type, std::uint32_t(RegType::Dword));
    EXPECT_EQ(dwordOf(dword), 0xFFFFFFFFu);
    EXPECT_EQ(dwordData(0x0A8C), QByteArray("\x8C\x0A\0\0", 4));
}
