// The hardware parsing on texts alone, for inputs the fuzzer turned up.
#include "machine/MachineFacts.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace machine;

namespace {

// A fuzz input: the MachineTexts fields in order, separated by form feeds.
MachineTexts fuzzInput(const char* name)
{
    QFile file(QStringLiteral(TESSERA_FIXTURES "/../../fuzz/corpus/machine/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    const QList<QByteArray> parts = file.readAll().split('\f');
    QString field[8];
    for (qsizetype i = 0; i < parts.size() && i < 8; ++i) field[i] = QString::fromUtf8(parts[i]).trimmed();
    return {field[0], field[1], field[2], field[3], field[4], field[5], field[6], field[7]};
}

}  // namespace

TEST(MachineTexts, OnlineRangesPastIntRangeFallBackToCpuinfo)
{
    MachineTexts texts = fuzzInput("online-range-overflow");
    EXPECT_EQ(derivedVariable(QStringLiteral("NUMBER_OF_PROCESSORS"), texts), QStringLiteral("2"));
    texts.online = QStringLiteral("0-2147483647");
    EXPECT_EQ(derivedVariable(QStringLiteral("NUMBER_OF_PROCESSORS"), texts), QStringLiteral("2"));
    // The largest count an int holds is still believed.
    texts.online = QStringLiteral("1-2147483647");
    EXPECT_EQ(derivedVariable(QStringLiteral("NUMBER_OF_PROCESSORS"), texts), QStringLiteral("2147483647"));
    texts.online = QStringLiteral("0-3,8-11");
    EXPECT_EQ(derivedVariable(QStringLiteral("NUMBER_OF_PROCESSORS"), texts), QStringLiteral("8"));
}
