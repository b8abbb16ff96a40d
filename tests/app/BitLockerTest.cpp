// Windows on a BitLocker volume, through the program as a terminal runs it:
// the same machine as unencrypted, unlocked with a password, a key file or a
// secret typed at the prompt; the secret and the key in no output.
#include "ProgramRun.h"

#include "disk/bitlocker/BitLockerKey.h"
#include "disk/bitlocker/Secret.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QString image(const char* name) { return QStringLiteral(TESSERA_IMAGES "/") + QLatin1String(name); }

const QByteArray kPassword = "password12!@";

// The fixtures are made from the real volumes beside the repository.
#define SKIP_WITHOUT_BITLOCKER_IMAGES()                                                                \
    if (!QFileInfo::exists(image("bitlocker-xts.raw")))                                                \
    GTEST_SKIP() << "no BitLocker fixtures: the real volumes beside the repository (../shared) are not here"

class BitLockerMachine : public ::testing::Test {
protected:
    QString secretFile(const QByteArray& content)
    {
        const QString path = dir.filePath(QString::number(++files));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }
    QTemporaryDir dir;
    int files = 0;
};

// The program on a terminal of its own: what it writes there until it ends,
// each line in `answers` typed when `prompt` appears.
struct TerminalRun {
    int exitCode = -1;
    QByteArray seen;
};
TerminalRun onTerminal(const QStringList& arguments, const QList<QByteArray>& answers, const QByteArray& prompt)
{
    std::vector<QByteArray> args{QByteArray(TESSERA_PROGRAM)};
    for (const QString& a : arguments) args.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child == 0) {
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    TerminalRun run;
    qsizetype answered = 0, from = 0;
    for (int waited = 0; waited < 600;) {
        pollfd p{terminal, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) {
            ++waited;
            continue;
        }
        char buffer[4096];
        const ssize_t n = ::read(terminal, buffer, sizeof buffer);
        if (n <= 0) break;  // the program ended
        run.seen.append(buffer, n);
        const qsizetype at = run.seen.indexOf(prompt, from);
        if (at >= 0 && answered < answers.size()) {
            from = at + prompt.size();
            const QByteArray line = answers[answered++] + '\n';
            EXPECT_EQ(::write(terminal, line.constData(), std::size_t(line.size())), line.size());
        }
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(terminal);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace

TEST_F(BitLockerMachine, ItShowsTheSameMachineAsUnencrypted)
{
    SKIP_WITHOUT_BITLOCKER_IMAGES();
    const ProgramRun plain = runProgram({QStringLiteral("--bericht"), image("gpt-win10.raw")});
    ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    const QString password = secretFile(kPassword + "\n");
    for (const char* disk : {"bitlocker-xts.raw", "bitlocker-cbc.raw"}) {
        SCOPED_TRACE(disk);
        const ProgramRun run = runProgram({QStringLiteral("--bericht"), QStringLiteral("--schluessel"), password, image(disk)});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, plain.out);
    }
    // A key file, the volume in a qcow2; secrets tried in turn, the wrong one first.
    const ProgramRun json = runProgram({QStringLiteral("--json"), QStringLiteral("--schluessel"),
                                        secretFile("falsch"), QStringLiteral("--schluessel=") +
                                        QStringLiteral(TESSERA_SHARED "/real-images/bitlocker/recovery_key.bek"),
                                        image("bitlocker-xts.qcow2")});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    EXPECT_TRUE(json.out.contains("\"encryption\": \"BitLocker AES-XTS 128\"")) << json.out.toStdString();
    const ProgramRun sources = runProgram({QStringLiteral("--quellen"), QStringLiteral("--schluessel"), password,
                                           image("bitlocker-cbc.raw")});
    EXPECT_TRUE(sources.out.contains("in Partition 3 von")) << sources.out.toStdString();
    EXPECT_TRUE(sources.out.contains("Volume mit BitLocker AES-CBC 128")) << sources.out.toStdString();
}

TEST_F(BitLockerMachine, WithoutItsSecretItIsNamedAndAWrongOneIsTold)
{
    SKIP_WITHOUT_BITLOCKER_IMAGES();
    const ProgramRun none = runProgram({QStringLiteral("--quellen"), image("bitlocker-xts.raw")});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.contains(QStringLiteral("Partition 3 von \u201E%1\u201C ist mit BitLocker verschlüsselt "
                                                 "(\u201EDESKTOP-QNI1MMF TestVolume 10/8/2021\u201C). Nennen Sie")
                                      .arg(image("bitlocker-xts.raw"))))
        << none.err.toStdString();
    EXPECT_TRUE(none.err.contains(QStringLiteral("--schluessel DATEI")));

    const ProgramRun wrong = runProgram({QStringLiteral("--quellen"), QStringLiteral("--schluessel"),
                                         secretFile("password12!X"), image("bitlocker-xts.raw")});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_TRUE(wrong.err.contains(QStringLiteral("Kennwort oder Wiederherstellungsschlüssel passt nicht")))
        << wrong.err.toStdString();

    const ProgramRun missing = runProgram({QStringLiteral("--quellen"), QStringLiteral("--schluessel"),
                                           dir.filePath(QStringLiteral("nirgends")), image("bitlocker-xts.raw")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("Schlüsseldatei \u201E%1\u201C ist nicht lesbar")
                                         .arg(dir.filePath(QStringLiteral("nirgends")))))
        << missing.err.toStdString();
    const ProgramRun usage = runProgram({QStringLiteral("--quellen"), QStringLiteral("--schluessel")});
    EXPECT_EQ(usage.exitCode, 2);
}

TEST_F(BitLockerMachine, AtATerminalItAsksWithoutEchoThreeTimesAtMost)
{
    SKIP_WITHOUT_BITLOCKER_IMAGES();
    const QByteArray prompt = QStringLiteral("Kennwort oder Wiederherstellungsschlüssel für Partition 3 von "
                                             "\u201E%1\u201C (BitLocker, \u201EDESKTOP-QNI1MMF TestVolume 10/8/2021\u201C):")
                                  .arg(image("bitlocker-cbc.raw"))
                                  .toUtf8();
    const TerminalRun opened =
        onTerminal({QStringLiteral("--quellen"), image("bitlocker-cbc.raw")}, {"falsch", kPassword}, prompt);
    EXPECT_EQ(opened.exitCode, 0) << opened.seen.toStdString();
    EXPECT_EQ(opened.seen.count(prompt), 2) << opened.seen.toStdString();
    EXPECT_TRUE(opened.seen.contains("passt nicht")) << opened.seen.toStdString();
    EXPECT_TRUE(opened.seen.contains("Volume mit BitLocker AES-CBC 128")) << opened.seen.toStdString();
    EXPECT_FALSE(opened.seen.contains(kPassword));  // not echoed
    EXPECT_FALSE(opened.seen.contains("falsch"));

    const TerminalRun refused = onTerminal({QStringLiteral("--quellen"), image("bitlocker-cbc.raw")},
                                           {"eins", "zwei", "drei", "vier"}, prompt);
    EXPECT_EQ(refused.exitCode, 1) << refused.seen.toStdString();
    EXPECT_EQ(refused.seen.count(prompt), 3) << refused.seen.toStdString();
    EXPECT_TRUE(refused.seen.contains("passt nicht (3 versucht)")) << refused.seen.toStdString();
}

// Neither the secret nor the volume key appears in anything the program
// writes, whether it opens the volume or not.
TEST_F(BitLockerMachine, NoOutputHoldsTheSecretOrTheKey)
{
    SKIP_WITHOUT_BITLOCKER_IMAGES();
    // The key, as the program would derive it, to look for.
    QFile volume(image("bitlocker-xts.raw"));
    ASSERT_TRUE(volume.open(QIODevice::ReadOnly));
    const std::int64_t start = 79872LL * 512, size = 99672LL * 512;
    disk::VolumeReader read = [&](std::int64_t offset, void* out, std::size_t length) {
        return volume.seek(start + offset) && volume.read(static_cast<char*>(out), qint64(length)) == qint64(length);
    };
    const disk::BitLockerMetadataRead metadata = disk::readBitLockerMetadata(read, size);
    ASSERT_TRUE(metadata.metadata) << metadata.fault.toStdString();
    const disk::VolumeKey key = disk::volumeKeyFromSecret(read, size, *metadata.metadata,
                                                          disk::Secret(kPassword.constData(), std::size_t(kPassword.size())));
    ASSERT_EQ(key.outcome, disk::VolumeKey::Outcome::Opened);
    const QByteArray raw(reinterpret_cast<const char*>(key.key.data()), qsizetype(key.key.size()));

    const QString password = secretFile(kPassword), wrong = secretFile("falsch-falsch");
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("--json"), QStringLiteral("--schluessel"), wrong, QStringLiteral("--schluessel"),
                      password, image("bitlocker-xts.raw")},
          QStringList{QStringLiteral("--quellen"), QStringLiteral("--schluessel"), wrong, image("bitlocker-xts.raw")},
          QStringList{QStringLiteral("--bericht"), QStringLiteral("--schluessel"), password, image("bitlocker-xts.raw")}}) {
        const ProgramRun run = runProgram(arguments);
        const QByteArray all = run.out + run.err.toUtf8();
        EXPECT_FALSE(all.contains(kPassword));
        EXPECT_FALSE(all.contains("falsch-falsch"));
        EXPECT_FALSE(all.contains(raw));
        EXPECT_FALSE(all.toLower().contains(raw.toHex()));
        EXPECT_FALSE(all.toLower().contains(raw.left(8).toHex()));
    }
}

// The window, as the program opens it: the key file the program reads reaches
// the window module, which opens the sources with floors of its own. Under a
// virtual X server, the first window captioned "Tessera – …" must be the main
// window (over 400 pixels high), not the start's error box.
TEST_F(BitLockerMachine, TheWindowOpensTheVolumeWithTheKeyFileGiven)
{
    SKIP_WITHOUT_BITLOCKER_IMAGES();
    for (const char* tool : {"xvfb-run", "xwininfo", "xprop"})
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) GTEST_SKIP() << tool << " is not installed";
    // The window named "Tessera – …" (the caption says which machine), its height and name.
    const QString script = QStringLiteral(
        "\"$1\" --schluessel \"$2\" \"$3\" 2>/dev/null & pid=$!\n"
        "for _ in $(seq 150); do\n"
        "  id=$(xwininfo -root -tree 2>/dev/null | sed -n 's/^ *\\(0x[0-9a-f]*\\) \"Tessera.*/\\1/p' | head -n 1)\n"
        "  if [ -n \"$id\" ] && xwininfo -id \"$id\" 2>/dev/null | grep -q 'Map State: IsViewable'; then\n"
        "    xwininfo -id \"$id\" | sed -n 's/^ *Height: //p'; xprop -id \"$id\" _NET_WM_NAME; kill $pid; exit 0\n"
        "  fi\n"
        "  sleep 0.1\n"
        "done\n"
        "kill $pid; exit 1\n");
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("HOME"), dir.path());
    // In a sanitizer build: libxkbcommon-x11 hands strndup a buffer without a NUL,
    // which strict string checks report; that check stays on everywhere else.
    if (env.contains(QStringLiteral("ASAN_OPTIONS")))
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":strict_string_checks=0"));
    run.setProcessEnvironment(env);
    run.start(QStringLiteral("xvfb-run"), {QStringLiteral("-a"), QStringLiteral("bash"), QStringLiteral("-c"), script,
                                           QStringLiteral("window"), QStringLiteral(TESSERA_PROGRAM),
                                           secretFile(kPassword), image("bitlocker-cbc.raw")});
    ASSERT_TRUE(run.waitForFinished(60000));
    const QList<QByteArray> said = run.readAllStandardOutput().trimmed().split('\n');
    ASSERT_EQ(run.exitCode(), 0) << "no window within 15 s\n" << run.readAllStandardError().toStdString();
    ASSERT_EQ(said.size(), 2);
    EXPECT_GT(said[0].toInt(), 400) << "the first window is " << said[0].toStdString()
                                    << " pixels high: the start's error box, not the main window";
    EXPECT_TRUE(said[1].contains("\"Tessera \xE2\x80\x93 bitlocker-cbc.raw, Partition ")) << said[1].toStdString();
}

