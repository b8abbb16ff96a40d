// BitLocker volumes: the real ones Windows made (beside the repository, in
// ../shared) unlocked with each of their secrets and decrypted where their
// makers check them; those that cannot be opened told why; the ciphers both
// ways; secrets read from files as users keep them.
#include "BitLockerSamples.h"
#include "SharedSamples.h"

#include "disk/bitlocker/BitLockerCipher.h"
#include "disk/bitlocker/BitLockerVolume.h"
#include "disk/bitlocker/Keyring.h"
#include "disk/bitlocker/SecretFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

using disk::BitLockerLock;
using disk::Keyring;
using disk::Secret;

const char* const kPassword = "password12!@";

// A real volume unpacked, read as a file.
struct RealVolume {
    explicit RealVolume(const char* name)
        : path(unpackedSample(QStringLiteral("real-images/bitlocker/%1.bin.gz").arg(QLatin1String(name))))
    {
        if (path.isNull() || !file.open(QIODevice::ReadOnly)) return;
    }
    disk::BitLockerOpening open()
    {
        return disk::openBitLocker(
            [this](std::int64_t offset, void* out, std::size_t length) {
                return file.seek(offset) && file.read(static_cast<char*>(out), qint64(length)) == qint64(length);
            },
            file.size());
    }
    QString path;
    QFile file{path};
};

Secret text(const char* secret) { return Secret(secret, std::strlen(secret)); }

// A volume held in memory, opened as a partition is.
disk::BitLockerOpening openBytes(const QByteArray& b)
{
    return disk::openBitLocker(
        [&b](std::int64_t offset, void* out, std::size_t length) {
            if (offset < 0 || offset > b.size() || std::size_t(b.size() - offset) < length) return false;
            std::memcpy(out, b.constData() + offset, length);
            return true;
        },
        b.size());
}

Secret keyFile(const char* name)
{
    QFile f(sharedSample(QStringLiteral("real-images/bitlocker/%1").arg(QLatin1String(name))));
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = f.readAll();
    return Secret(bytes.constData(), std::size_t(bytes.size()));
}

struct Unlocks {
    const char* volume;
    const char* cipher;
    const char* secret;  // a password or recovery password, a .bek file's name, or null: none needed
    bool bek = false;
};

class BitLocker : public ::testing::Test {
protected:
    void TearDown() override { Keyring::instance().clear(); }
};

}  // namespace

TEST_F(BitLocker, EveryRealVolumeUnlocksWithEachOfItsSecretsAndDecryptsWhereItsMakerChecks)
{
    const Unlocks cases[] = {
        {"aes_128", "BitLocker AES-CBC 128", kPassword},
        {"aes_256", "BitLocker AES-CBC 256", kPassword},
        {"aes_128_diffuser", "BitLocker AES-CBC 128 mit Elephant-Diffuser", kPassword},
        {"aes_256_diffuser", "BitLocker AES-CBC 256 mit Elephant-Diffuser", kPassword},
        {"aes-xts_128", "BitLocker AES-XTS 128", kPassword},
        {"aes-xts_256", "BitLocker AES-XTS 256", kPassword},
        {"recovery_password", "BitLocker AES-XTS 128", "284867-596541-514998-422114-660297-261613-215424-199408"},
        {"recovery_password", "BitLocker AES-XTS 128", kPassword},
        {"recovery_key", "BitLocker AES-XTS 128", "recovery_key.bek", true},
        {"recovery_key", "BitLocker AES-XTS 128", kPassword},
        {"startup_key", "BitLocker AES-XTS 128", "startup_key.bek", true},
        {"suspended", "BitLocker AES-XTS 128", nullptr},  // its key in the clear
        {"decrypted", "BitLocker (entschlüsselt)", nullptr},
        // Encrypted part way, and with a clear key beside its recovery password.
        {"win7_partial", "BitLocker AES-CBC 256", nullptr},
        {"win7_partial", "BitLocker AES-CBC 256", "131450-120197-153989-250338-511368-495572-680944-381546"},
    };
    for (const Unlocks& c : cases) {
        SCOPED_TRACE(std::string(c.volume) + " " + (c.secret ? c.secret : "(none)"));
        RealVolume volume(c.volume);
        SKIP_WITHOUT_SHARED(volume.path);
        Keyring::instance().clear();
        if (c.secret) Keyring::instance().add(c.bek ? keyFile(c.secret) : text(c.secret));
        const disk::BitLockerOpening opened = volume.open();
        ASSERT_TRUE(opened.volume) << opened.lock.fault.toStdString();
        EXPECT_EQ(opened.encryption, QString::fromUtf8(c.cipher));
        char boot[512], record[512];
        ASSERT_EQ(opened.volume->read(0, boot, sizeof boot), 512);
        ASSERT_EQ(opened.volume->read(0x2000, record, sizeof record), 512);
        EXPECT_EQ(QByteArray(boot + 3, 8), "NTFS    ");
        EXPECT_EQ(QByteArray(record, 5), "FILE0");
        // A read that is not aligned to sectors gives the same bytes.
        char part[7];
        ASSERT_EQ(opened.volume->read(1, part, sizeof part), 7);
        EXPECT_EQ(QByteArray(part, 7), QByteArray(boot + 1, 7));
    }
}

TEST_F(BitLocker, WhatCannotBeOpenedIsToldWithTheVolumesDescription)
{
    RealVolume plain("aes_128");
    SKIP_WITHOUT_SHARED(plain.path);
    disk::BitLockerOpening none = plain.open();
    EXPECT_FALSE(none.volume);
    EXPECT_EQ(none.lock.reason, BitLockerLock::Reason::NeedsSecret);
    EXPECT_EQ(none.lock.wrong, 0);
    EXPECT_EQ(none.lock.description, QStringLiteral("DESKTOP-QNI1MMF TestVolume 10/8/2021"));

    // Wrong secrets: each tried once, however often the volume is opened.
    Keyring::instance().add(text("password12!X"));
    Keyring::instance().add(text("111111-111111-111111-111111-111111-111111-111111-111111"));
    EXPECT_EQ(plain.open().lock.wrong, 2);
    const disk::BitLockerOpening again = plain.open();
    EXPECT_FALSE(again.volume);
    EXPECT_EQ(again.lock.reason, BitLockerLock::Reason::NeedsSecret);
    EXPECT_EQ(again.lock.wrong, 2);
    Keyring::instance().add(text(kPassword));
    EXPECT_TRUE(plain.open().volume);

    RealVolume vista("vista");
    const disk::BitLockerOpening old = vista.open();
    EXPECT_FALSE(old.volume);
    EXPECT_EQ(old.lock.reason, BitLockerLock::Reason::Vista);
    EXPECT_EQ(old.lock.description, QStringLiteral("USER-PC C: 10/21/2021"));

    // Only the used space, caught part way: its first sectors are still plain
    // where the metadata says they were moved, which shows before any secret.
    Keyring::instance().clear();
    RealVolume usedSpace("eow_partial");
    const disk::BitLockerOpening partial = usedSpace.open();
    EXPECT_FALSE(partial.volume);
    EXPECT_EQ(partial.lock.reason, BitLockerLock::Reason::UnknownRegions);
    Keyring::instance().add(text(kPassword));
    EXPECT_EQ(usedSpace.open().lock.reason, BitLockerLock::Reason::UnknownRegions);
}

// A volume that only a key file opens says so, and a key file that does not
// fit is named; a volume a password opens too is no key-file-only volume.
TEST_F(BitLocker, KeyFilesAreAskedForWhereOnlyTheyOpenAndNamedWhereTheyDoNotFit)
{
    RealVolume startup("startup_key");
    SKIP_WITHOUT_SHARED(startup.path);
    EXPECT_FALSE(startup.open().lock.keyFileOnly);  // a password opens it too
    startup.file.seek(0);
    const QByteArray keyOnly = withProtectionChanged(startup.file.readAll(), Protection::Password, Protection::Tpm);
    const disk::BitLockerOpening bare = openBytes(keyOnly);
    EXPECT_EQ(bare.lock.reason, BitLockerLock::Reason::NeedsSecret);
    EXPECT_TRUE(bare.lock.keyFileOnly);

    Keyring::instance().add(keyFile("recovery_key.bek"), QStringLiteral("/media/usb/recovery_key.bek"));
    Keyring::instance().add(text("password12!X"), QStringLiteral("kennwort.txt"));
    const disk::BitLockerOpening wrong = openBytes(keyOnly);
    EXPECT_FALSE(wrong.volume);
    EXPECT_EQ(wrong.lock.wrong, 2);
    EXPECT_EQ(wrong.lock.wrongKeyFiles, QStringList{QStringLiteral("recovery_key.bek")});  // the password is no key file
    Keyring::instance().add(keyFile("startup_key.bek"), QStringLiteral("startup_key.bek"));
    EXPECT_TRUE(openBytes(keyOnly).volume);
}

TEST_F(BitLocker, ADamagedVolumeIsToldNotOpened)
{
    RealVolume volume("aes-xts_128");
    SKIP_WITHOUT_SHARED(volume.path);
    Keyring::instance().add(text(kPassword));
    QByteArray bytes = (volume.file.seek(0), volume.file.readAll());
    const auto opening = openBytes;
    ASSERT_TRUE(opening(bytes).volume);
    // Every copy of the metadata broken: named, nothing opened.
    QByteArray broken = bytes;
    for (qint64 at : {35586048, 43278336, 50966528}) broken[at] = 'x';
    const disk::BitLockerOpening none = opening(broken);
    EXPECT_FALSE(none.volume);
    EXPECT_EQ(none.lock.reason, BitLockerLock::Reason::Unreadable);
    EXPECT_TRUE(none.lock.fault.contains(QStringLiteral("Metadaten"))) << none.lock.fault.toStdString();
    // The first copy broken: the second is read.
    broken = bytes;
    broken[35586048] = 'x';
    EXPECT_TRUE(opening(broken).volume);
    // The first copy naming a volume header off a sector's start: the second is read.
    broken = bytes;
    broken[35586048 + 56] = 0x10;
    EXPECT_TRUE(opening(broken).volume);
    // The description as Windows wrote it, but never a control character to the terminal.
    broken = bytes;
    for (qint64 at : {35586048, 43278336, 50966528}) {
        const qsizetype d = broken.indexOf(QByteArray("D\0E\0S\0K\0"), at);
        ASSERT_GT(d, 0);
        broken[d] = '\x1b';
    }
    Keyring::instance().clear();
    const disk::BitLockerOpening described = opening(broken);
    EXPECT_EQ(described.lock.description, QStringLiteral("ESKTOP-QNI1MMF TestVolume 10/8/2021"));
    Keyring::instance().add(text(kPassword));
    // The moved boot sector overwritten: the key fits, but what it decrypts is no file system.
    broken = bytes;
    std::memset(broken.data() + 35651584, 0x5A, 512);
    const disk::BitLockerOpening garbage = opening(broken);
    EXPECT_FALSE(garbage.volume);
    EXPECT_TRUE(garbage.lock.fault.contains(QStringLiteral("kein Dateisystem"))) << garbage.lock.fault.toStdString();
    // Cut off before its metadata.
    const disk::BitLockerOpening cut = opening(bytes.left(1 << 20));
    EXPECT_FALSE(cut.volume);
    EXPECT_EQ(cut.lock.reason, BitLockerLock::Reason::Unreadable);
}

// The protectors a volume names decide what is asked: a volume only the
// machine's TPM opens cannot be opened here; with a recovery password beside
// the TPM, that is what is asked for.
TEST_F(BitLocker, AVolumeOnlyItsTpmOpensIsToldSo)
{
    RealVolume volume("recovery_password");  // a recovery password and a password protect it
    SKIP_WITHOUT_SHARED(volume.path);
    QByteArray bytes = (volume.file.seek(0), volume.file.readAll());
    auto protect = [&](std::uint16_t from, std::uint16_t to) { bytes = withProtectionChanged(bytes, from, to); };
    auto opening = [&] { return openBytes(bytes); };
    protect(Protection::Password, Protection::Tpm);
    disk::BitLockerOpening asked = opening();
    EXPECT_EQ(asked.lock.reason, BitLockerLock::Reason::NeedsSecret);
    EXPECT_TRUE(asked.lock.tpm);
    EXPECT_TRUE(asked.lock.recoveryPassword);
    protect(Protection::RecoveryPassword, Protection::TpmAndPin);
    disk::BitLockerOpening tpm = opening();
    EXPECT_FALSE(tpm.volume);
    EXPECT_EQ(tpm.lock.reason, BitLockerLock::Reason::TpmOnly);
    EXPECT_FALSE(tpm.lock.recoveryPassword);
    // A secret given for another volume changes nothing here.
    Keyring::instance().add(text(kPassword));
    EXPECT_EQ(opening().lock.reason, BitLockerLock::Reason::TpmOnly);
}

// Every method: a sector encrypted and decrypted is itself again, and two
// sectors with the same content encrypt differently by their position.
TEST(BitLockerCipher, EachMethodUndoesItselfAndDependsOnTheSectorsPosition)
{
    std::mt19937 random(27);
    for (std::uint32_t method = 0x8000; method <= 0x8005; ++method) {
        SCOPED_TRACE(method);
        const std::size_t size = method == 0x8002 ? 16 : (method == 0x8001 || method == 0x8005) ? 64 : 32;
        Secret key(size);
        for (std::size_t i = 0; i < size; ++i) key.data()[i] = static_cast<unsigned char>(random());
        auto cipher = disk::BitLockerCipher::make(method, key);
        ASSERT_TRUE(cipher);
        EXPECT_FALSE(disk::BitLockerCipher::make(method, Secret(size + 16)));  // a key of the wrong size
        std::vector<unsigned char> plain(1024), data;
        for (auto& b : plain) b = static_cast<unsigned char>(random());
        std::memcpy(plain.data() + 512, plain.data(), 512);
        data = plain;
        ASSERT_TRUE(cipher->encrypt(4096, data.data(), data.size()));
        EXPECT_NE(data, plain);
        EXPECT_NE(std::memcmp(data.data(), data.data() + 512, 512), 0);
        ASSERT_TRUE(cipher->decrypt(4096, data.data(), data.size()));
        EXPECT_EQ(data, plain);
    }
    EXPECT_FALSE(disk::BitLockerCipher::make(0x8006, Secret(32)));
}

TEST(SecretFile, PasswordsRecoveryPasswordsAndKeyFilesAreToldByContent)
{
    QTemporaryDir dir;
    auto secretIn = [&](const QByteArray& content, QString* fault = nullptr) {
        const QString path = dir.filePath(QStringLiteral("secret"));
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(content);
        f.close();
        QString said;
        Secret s = disk::readSecretFile(path, said);
        if (fault) *fault = said;
        return QByteArray(reinterpret_cast<const char*>(s.data()), qsizetype(s.size()));
    };
    EXPECT_EQ(secretIn("password12!@\r\n"), "password12!@");
    EXPECT_EQ(secretIn("\xEF\xBB\xBFgeheim \xC3\xA4\nzweite Zeile\n"), "geheim \xC3\xA4");
    // The text Windows saves a recovery key in: UTF-16 with its byte order mark.
    const QString saved = QStringLiteral(
        "BitLocker-Wiederherstellungsschlüssel\r\nBezeichner:\r\n\t4967D63B-2E29-4AD8-8399-F6A339E3D001\r\n"
        "Wiederherstellungsschlüssel:\r\n\t284867-596541-514998-422114-660297-261613-215424-199408\r\n");
    QByteArray utf16("\xFF\xFE", 2);
    utf16.append(reinterpret_cast<const char*>(saved.utf16()), saved.size() * 2);
    EXPECT_EQ(secretIn(utf16), "284867-596541-514998-422114-660297-261613-215424-199408");
    // A recovery password as people type it: without dashes, in groups with
    // blanks, over several lines. Each comes out as Windows writes it.
    const QByteArray written = "284867-596541-514998-422114-660297-261613-215424-199408";
    EXPECT_EQ(secretIn("284867596541514998422114660297261613215424199408\n"), written);
    EXPECT_EQ(secretIn("284867 596541 514998 422114  660297 261613 215424 199408"), written);
    EXPECT_EQ(secretIn("284867-596541-514998-422114-\r\n660297-261613-215424-199408\r\n"), written);
    EXPECT_EQ(secretIn("\xEF\xBB\xBF" "284867 596541\n514998 422114\n660297 261613\n215424 199408\n"), written);
    // 48 digits whose groups no recovery password has are a password (the first line).
    EXPECT_EQ(secretIn("123456123456123456123456123456123456123456123456"),
              "123456123456123456123456123456123456123456123456");
    // Not a recovery password: a group too long.
    EXPECT_EQ(secretIn("2848670-596541-514998-422114-660297-261613-215424-199408"),
              "2848670-596541-514998-422114-660297-261613-215424-199408");
    QString fault;
    EXPECT_EQ(secretIn("\n", &fault), "");
    EXPECT_TRUE(fault.contains(QStringLiteral("ist leer"))) << fault.toStdString();
    Secret none = disk::readSecretFile(dir.filePath(QStringLiteral("missing")), fault);
    EXPECT_TRUE(none.empty());
    EXPECT_TRUE(fault.contains(QStringLiteral("missing"))) << fault.toStdString();

    const QString bek = sharedSample(QStringLiteral("real-images/bitlocker/startup_key.bek"));
    SKIP_WITHOUT_SHARED(bek);
    QFile f(bek);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray content = f.readAll();
    EXPECT_EQ(secretIn(content), content);  // kept whole
}

// A line typed at a prompt goes on in the next only as part of a recovery password.
TEST(SecretFile, ARecoveryPasswordGoesOnInTheNextLineAPasswordDoesNot)
{
    auto goesOn = [](const char* line) { return disk::continuesRecoveryPassword(text(line)); };
    EXPECT_TRUE(goesOn("284867-596541-514998-422114-"));
    EXPECT_TRUE(goesOn("284867 596541 514998 422114"));
    EXPECT_FALSE(goesOn("284867-596541-514998-422114-660297-261613-215424-199408"));  // whole
    EXPECT_FALSE(goesOn("123456"));  // a numeric password
    EXPECT_FALSE(goesOn("password12!@"));
    EXPECT_FALSE(goesOn("2848671-596541"));
}
