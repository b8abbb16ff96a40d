// Hives as Windows leaves them: a real dirty SYSTEM hive with its two logs,
// and generated ones whose logs hold a newer state, of both formats, damaged
// in one way each.
#include "ErrorOf.h"
#include "RegistryFile.h"
#include "SharedSamples.h"
#include "disk/PrivateCopy.h"
#include "registry/hive/BaseBlock.h"
#include "registry/RegistryFileCache.h"
#include "registry/hive/Hive.h"
#include "registry/hive/LogReplay.h"
#include "registry/text/RegistrySource.h"
#include "registry/hive/TransactionLog.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace registry;

namespace {

constexpr std::int64_t MaxSize = 512LL * 1024 * 1024;

QString logs(const QString& relative) { return fixture(QStringLiteral("hives/logs/") + relative); }

QByteArray contents(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

disk::PrivateCopy copyOf(const QByteArray& bytes)
{
    disk::PrivateCopy copy;
    EXPECT_TRUE(copy.append(bytes.constData(), std::size_t(bytes.size())));
    return copy;
}

BaseBlock headerOf(const disk::PrivateCopy& copy)
{
    unsigned char block[BaseBlockSize];
    EXPECT_TRUE(copy.read(0, block, BaseBlockSize));
    return parseBaseBlock(block);
}

// The real hive and its logs (../shared/regf-samples, beside the repository),
// unpacked into a folder of the test's own.
class RealHive : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"SYSTEM_B", "SYSTEM_B.LOG1", "SYSTEM_B.LOG2"}) {
            const QString packed = sharedSample(QStringLiteral("regf-samples/%1.xz").arg(QLatin1String(name)));
            SKIP_WITHOUT_SHARED(packed);
            QProcess xz;
            xz.setStandardOutputFile(dir_.filePath(QLatin1String(name)));
            xz.start(QStringLiteral("xz"), {QStringLiteral("-dc"), packed});
            ASSERT_TRUE(xz.waitForFinished(60000));
            ASSERT_EQ(xz.exitCode(), 0);
        }
    }
    QString path(const char* name) const { return dir_.filePath(QLatin1String(name)); }
    QTemporaryDir dir_;
};

}  // namespace

TEST_F(RealHive, BothLogsApplyInSequenceAndTheHeaderIsConsistentAfterwards)
{
    disk::PrivateCopy copy = copyOf(contents(path("SYSTEM_B")));
    const BaseBlock before = headerOf(copy);
    EXPECT_EQ(before.primarySequence, 1622u);
    EXPECT_EQ(before.secondarySequence, 1621u);
    EXPECT_TRUE(before.dirty());

    const Replay replay = replayLogs(copy, readLogs(logPathsBeside(path("SYSTEM_B"))), MaxSize);
    ASSERT_EQ(replay.logs.size(), 2u);
    EXPECT_EQ(replay.logs[0].path, path("SYSTEM_B.LOG1"));
    EXPECT_EQ(replay.logs[0].entries, 4);
    EXPECT_EQ(replay.logs[1].entries, 20);
    EXPECT_TRUE(replay.logs[0].stopped.isEmpty() && replay.logs[1].stopped.isEmpty());
    EXPECT_TRUE(replay.upToDate());
    EXPECT_EQ(replay.sequence, 2130u);

    const BaseBlock after = headerOf(copy);
    EXPECT_EQ(after.primarySequence, 2130u);
    EXPECT_EQ(after.secondarySequence, 2130u);
    EXPECT_TRUE(after.checksumValid);
    EXPECT_FALSE(after.dirty());
    EXPECT_EQ(after.binsSize, 12591104u);  // grown by the logs from 12398592
    EXPECT_GE(copy.size(), std::int64_t(BaseBlockSize) + 12591104);
}

TEST_F(RealHive, OpenedWithItsLogsOrAloneWithANotice)
{
    const Hive replayed(path("SYSTEM_B"));
    EXPECT_EQ(replayed.kind(), Hive::Kind::System);
    EXPECT_EQ(replayed.replay().sequence, 2130u);
    EXPECT_EQ(replayed.replayNotice(), std::nullopt);
    EXPECT_TRUE(findValue(replayed, u"SYSTEM\\Select", u"Current").has_value());

    QTemporaryDir alone;
    const QString file = alone.filePath(QStringLiteral("SYSTEM"));
    ASSERT_TRUE(QFile::copy(path("SYSTEM_B"), file));
    const Hive dirty(file);
    EXPECT_EQ(dirty.replay().sequence, 1622u);
    const auto notice = dirty.replayNotice();
    ASSERT_TRUE(notice.has_value());
    EXPECT_TRUE(notice->contains(QStringLiteral("(Sequenznummern 1622 und 1621)")));
    EXPECT_TRUE(notice->contains(QStringLiteral("die Datei zeigt einen älteren Stand; neuere Änderungen fehlen")));
    EXPECT_TRUE(findValue(dirty, u"SYSTEM\\Select", u"Current").has_value());
}

// Both formats bring the generated hives to the state their logs hold; the
// entry older than the hive, left behind in SYSTEM.LOG2, is not applied.
TEST(LogReplay, GeneratedLogsOfBothFormatsBringTheNewerState)
{
    const Hive system(logs(QStringLiteral("new/Windows/System32/config/SYSTEM")));
    EXPECT_EQ(system.replay().sequence, 11u);
    EXPECT_EQ(system.replayNotice(), std::nullopt);
    const auto cache = findValue(system, u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management",
                                 u"LargeSystemCache");
    ASSERT_TRUE(cache.has_value());
    EXPECT_EQ(dwordOf(*cache), 1u);  // 0 in the file, 2 in the older entry
    const auto phone = findValue(system, u"SYSTEM\\ControlSet001\\Control\\MediaCategories\\"
                                         u"{62D35A12-E42B-11D1-B073-00608CCBD2F1}", u"Name");
    ASSERT_TRUE(phone.has_value());
    EXPECT_EQ(textOf(*phone), QStringLiteral("Telefon (Headset)"));

    const Hive old(logs(QStringLiteral("old/WINNT/system32/config/system")));
    EXPECT_EQ(old.replay().logs.size(), 1u);
    EXPECT_EQ(old.replay().logs[0].entries, 1);
    EXPECT_EQ(old.replayNotice(), std::nullopt);
    const auto oldCache = findValue(old, u"SYSTEM\\ControlSet001\\Control\\Session Manager\\Memory Management",
                                    u"LargeSystemCache");
    ASSERT_TRUE(oldCache.has_value());
    EXPECT_EQ(dwordOf(*oldCache), 1u);
}

// A clean hive takes only what is newer than it; with nothing newer, nothing.
TEST(LogReplay, ACleanHiveTakesOnlyNewerEntries)
{
    const QString config = logs(QStringLiteral("new/Windows/System32/config/"));
    const std::vector<TransactionLog> both = readLogs({config + "SYSTEM.LOG1", config + "SYSTEM.LOG2"});
    for (const auto& [sequence, applied] : {std::pair{9u, 2}, std::pair{11u, 0}}) {
        SCOPED_TRACE(sequence);
        QByteArray bytes = contents(config + "SYSTEM");
        auto* block = reinterpret_cast<unsigned char*>(bytes.data());
        putLe32(block + BaseBlockAt::PrimarySequence, sequence);
        putLe32(block + BaseBlockAt::SecondarySequence, sequence);
        sealBaseBlock(block);
        disk::PrivateCopy copy = copyOf(bytes);
        const Replay replay = replayLogs(copy, both, MaxSize);
        EXPECT_EQ(replay.entriesApplied(), applied);
        EXPECT_EQ(replay.needed, applied > 0);
        EXPECT_TRUE(replay.upToDate());
        EXPECT_EQ(headerOf(copy).primarySequence, applied ? 11u : sequence);
    }
}

// Every damaged log ends the replay where it is damaged, keeps what came
// before, and is told naming the log and how far it got.
TEST(LogReplay, DamagedLogsStopWhereTheyAreDamagedAndAreTold)
{
    struct Case {
        const char* folder;
        int applied;
        const char* told;
    };
    const Case cases[] = {
        {"bad-hash", 1, "\u201ESYSTEM.LOG1\u201C bricht nach 1 Eintrag ab: Eintrag 2 (Nummer 11): die Prüfsumme seiner "
                        "Seiten (Marvin32) stimmt nicht"},
        {"gap", 1, "\u201ESYSTEM.LOG1\u201C bricht nach 1 Eintrag ab: Lücke: auf Eintrag Nummer 10 folgt 12"},
        {"page-past-end", 1, "Eintrag 2 (Nummer 11): Seite 1 liegt hinter dem Ende der Struktur (16384 Bytes)"},
        {"cut-off", 1, "Eintrag 2 (Nummer 11): abgeschnitten"},
        {"bad-checksum", 0, "\u201ESYSTEM.LOG1\u201C ist nicht brauchbar: die Prüfsumme des Kopfes stimmt nicht"},
        {"no-logs", 0, "neben ihr liegt kein Transaktionsprotokoll (SYSTEM.LOG1, SYSTEM.LOG2)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        const QString path = logs(QStringLiteral("damaged/%1/SYSTEM").arg(QLatin1String(c.folder)));
        const Hive hive(path);
        EXPECT_EQ(hive.replay().entriesApplied(), c.applied);
        EXPECT_EQ(hive.replay().sequence, 10u);  // the file's own number, which the one entry applied has too
        const auto notice = hive.replayNotice();
        ASSERT_TRUE(notice.has_value());
        EXPECT_TRUE(notice->startsWith(QStringLiteral("Registrierungsstruktur \u201E%1\u201C ").arg(path)));
        EXPECT_TRUE(notice->contains(QString::fromUtf8(c.told))) << notice->toStdString();
        // What came before the damage stays applied: the first entry's value, not the second's.
        const auto cache = findValue(hive, u"SYSTEM\\ControlSet001\\Control\\Session Manager\\Memory Management",
                                     u"LargeSystemCache");
        ASSERT_TRUE(cache.has_value());
        EXPECT_EQ(dwordOf(*cache), c.applied ? 1u : 0u);
        const auto phone = findValue(hive, u"SYSTEM\\ControlSet001\\Control\\MediaCategories\\"
                                           u"{62D35A12-E42B-11D1-B073-00608CCBD2F1}", u"Name");
        EXPECT_EQ(textOf(*phone), QStringLiteral("Telefon"));
    }
    const QString old = logs(QStringLiteral("damaged/old-cut-off/system"));
    const Hive cut(old);
    EXPECT_EQ(cut.replay().entriesApplied(), 0);
    ASSERT_TRUE(cut.replayNotice().has_value());
    EXPECT_TRUE(cut.replayNotice()->contains(QStringLiteral("abgeschnitten: 24 Seiten genannt, 22 vorhanden")));
}

// A log that goes or comes opens the hive again, even when the hive file stays.
TEST(LogReplay, AChangedLogOpensTheHiveAgain)
{
    QTemporaryDir dir;
    const QString config = logs(QStringLiteral("new/Windows/System32/config/"));
    for (const char* name : {"SYSTEM", "SYSTEM.LOG1", "SYSTEM.LOG2"})
        ASSERT_TRUE(QFile::copy(config + QLatin1String(name), dir.filePath(QLatin1String(name))));
    const QString path = dir.filePath(QStringLiteral("SYSTEM"));
    const auto first = cachedHive(path);
    EXPECT_EQ(first->replay().entriesApplied(), 2);
    EXPECT_EQ(cachedHive(path), first);
    ASSERT_TRUE(QFile::remove(dir.filePath(QStringLiteral("SYSTEM.LOG2"))));
    const auto again = cachedHive(path);
    EXPECT_NE(again, first);
    EXPECT_EQ(again->replay().entriesApplied(), 1);
    // Nothing tells that entry 11 ever was: as far as the logs go, the hive is up to date.
    EXPECT_TRUE(again->replay().upToDate());
}
