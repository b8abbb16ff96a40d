// The program changes nothing on the machine: the real program, started,
// clicked through every page and ended with Abbrechen under strace, neither
// opens a file for writing nor creates, renames, deletes or alters one,
// apart from the caches Qt and fontconfig keep in the XDG cache folder the
// test hands it.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Calls that change the filesystem whatever their arguments.
const QStringList kChangingCalls = {
    QStringLiteral("creat"),     QStringLiteral("mkdir"),     QStringLiteral("mkdirat"),
    QStringLiteral("rename"),    QStringLiteral("renameat"),  QStringLiteral("renameat2"),
    QStringLiteral("unlink"),    QStringLiteral("unlinkat"),  QStringLiteral("rmdir"),
    QStringLiteral("link"),      QStringLiteral("linkat"),    QStringLiteral("symlink"),
    QStringLiteral("symlinkat"), QStringLiteral("truncate"),  QStringLiteral("ftruncate"),
    QStringLiteral("mknod"),     QStringLiteral("mknodat"),   QStringLiteral("fallocate"),
    QStringLiteral("chmod"),     QStringLiteral("fchmod"),    QStringLiteral("fchmodat"),
    QStringLiteral("chown"),     QStringLiteral("fchown"),    QStringLiteral("lchown"),
    QStringLiteral("fchownat"),  QStringLiteral("utime"),     QStringLiteral("utimes"),
    QStringLiteral("utimensat"), QStringLiteral("futimesat"), QStringLiteral("setxattr"),
    QStringLiteral("lsetxattr"), QStringLiteral("fsetxattr"), QStringLiteral("removexattr"),
    QStringLiteral("lremovexattr"), QStringLiteral("fremovexattr")};
const QStringList kOpenCalls = {QStringLiteral("open"), QStringLiteral("openat"), QStringLiteral("openat2")};
const QString kTraced = (kOpenCalls + kChangingCalls).join(u',');

// One traced call that writes, with every path it names (strace -y spells
// descriptors as 3</path>, relative paths are taken against the working folder).
struct Call {
    QString line;
    QStringList paths;
};

// The calls in one strace log that open for writing or change the filesystem.
std::vector<Call> writingCalls(const QString& log, const QString& workingDir)
{
    static const QRegularExpression call(QStringLiteral(R"(^(?:\d+\s+)?([a-z0-9_]+)\((.*)\)\s+=\s+(.*)$)"));
    static const QRegularExpression quoted(QStringLiteral(R"re("((?:[^"\\]|\\.)*)")re"));
    static const QRegularExpression descriptor(QStringLiteral(R"(\d+<([^>]*)>)"));
    static const QRegularExpression writeFlags(QStringLiteral(R"(\bO_(WRONLY|RDWR|CREAT|TRUNC)\b)"));
    std::vector<Call> found;
    for (const QString& line : log.split(u'\n', Qt::SkipEmptyParts)) {
        const auto m = call.match(line);
        if (!m.hasMatch()) continue;
        const QString name = m.captured(1);
        const QString args = m.captured(2);
        const bool opens = kOpenCalls.contains(name);
        if (!opens && !kChangingCalls.contains(name)) continue;
        if (opens && !writeFlags.match(args).hasMatch()) continue;
        // A call that failed changed nothing: Qt checks its runtime folder
        // with mkdir, which fails with EEXIST when the folder is there.
        if (m.captured(3).startsWith(u'-')) continue;
        Call c{line, {}};
        QString base = workingDir;
        if (auto d = descriptor.match(args); d.hasMatch() && args.startsWith(d.captured(0)))
            base = d.captured(1);  // the directory of an *at call, or the file of an f* call
        for (auto it = quoted.globalMatch(args); it.hasNext();)
            c.paths << QDir::cleanPath(QDir(base).absoluteFilePath(it.next().captured(1)));
        if (c.paths.isEmpty()) c.paths << base;
        found.push_back(c);
    }
    return found;
}

// What the program may write: the font and shader caches Qt and fontconfig
// keep under XDG_CACHE_HOME (the test points it at a folder of its own).
// Nothing else is allowed, not even /dev/null: the program runs with
// QT_QPA_PLATFORM=offscreen, opens no terminal, and pipes and eventfds are
// not traced because they are no files.
bool allowed(const Call& call, const QString& cacheDir)
{
    for (const QString& path : call.paths)
        if (path != cacheDir && !path.startsWith(cacheDir + u'/')) return false;
    return true;
}

QString violations(const std::vector<Call>& calls, const QString& cacheDir)
{
    QString out;
    for (const Call& call : calls)
        if (!allowed(call, cacheDir)) out += call.line + u'\n';
    return out;
}

TEST(ReadOnlyProof, TheDetectorSeesEveryKindOfWrite)
{
    const QString cache = QStringLiteral("/c");
    struct Row {
        const char* line;
        bool violation;
    } rows[] = {
        {R"(12 openat(AT_FDCWD</w>, "/etc/hosts", O_RDONLY|O_CLOEXEC) = 3</etc/hosts>)", false},
        {R"(12 openat(AT_FDCWD</w>, "/etc/x", O_WRONLY|O_CREAT|O_TRUNC, 0666) = 3</etc/x>)", true},
        {R"(12 openat(AT_FDCWD</w>, "/c/fontconfig/x", O_RDWR|O_CREAT, 0666) = 3</c/fontconfig/x>)", false},
        {R"(12 openat(AT_FDCWD</w>, "/c/../etc/x", O_RDWR, 0666) = 3</etc/x>)", true},
        {R"(12 mkdir("/tmp/runtime-root", 0700) = -1 EEXIST (File exists))", false},
        {R"(12 open("rel.txt", O_WRONLY) = 3</w/rel.txt>)", true},
        {R"(12 openat(5</c/qt>, "x", O_WRONLY|O_CREAT, 0600) = 6</c/qt/x>)", false},
        {R"(12 openat(5</home>, "x", O_WRONLY|O_CREAT, 0600) = 6</home/x>)", true},
        {R"(12 mkdir("/tmp/new", 0700) = 0)", true},
        {R"(12 renameat2(AT_FDCWD</w>, "/c/a", AT_FDCWD</w>, "/etc/b", 0) = 0)", true},
        {R"(12 unlink("/c/old") = 0)", false},
        {R"(12 ftruncate(7</home/u/data>, 0) = 0)", true},
        {R"(12 fchmod(7</c/x>, 0644) = 0)", false},
        {R"(12 read(7</home/u/data>, "", 4) = 0)", false},
    };
    for (const Row& row : rows) {
        const auto calls = writingCalls(QString::fromUtf8(row.line), QStringLiteral("/w"));
        EXPECT_EQ(!violations(calls, cache).isEmpty(), row.violation) << row.line;
    }
}

// Runs the driver under strace with a cache, home and working folder of its
// own; `prepare` adds to its environment and names a file the run must read.
// Returns the traced calls that write outside the cache folder.
QString tracedRun(const std::function<QString(const QString& temp, QProcessEnvironment& env)>& prepare)
{
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    EXPECT_FALSE(strace.isEmpty()) << "strace is missing; scripts/setup.sh installs it";

    QTemporaryDir temp;
    EXPECT_TRUE(temp.isValid());
    const QString cache = temp.filePath(QStringLiteral("cache"));
    const QString home = temp.filePath(QStringLiteral("home"));
    const QString work = temp.filePath(QStringLiteral("work"));
    const QString logs = temp.filePath(QStringLiteral("trace"));
    for (const QString& dir : {cache, home, work, logs}) EXPECT_TRUE(QDir().mkpath(dir));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("TESSERA_REGISTRY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), cache);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);  // never written either: not on the allowlist
    env.insert(QStringLiteral("HOME"), home);
    // In a sanitizer build: LeakSanitizer cannot work under ptrace and would end the traced run.
    const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    env.insert(QStringLiteral("ASAN_OPTIONS"), asan + (asan.isEmpty() ? "" : ":") + QStringLiteral("detect_leaks=0"));
    const QString mustRead = prepare(temp.path(), env);

    QProcess run;
    run.setProcessEnvironment(env);
    run.setWorkingDirectory(work);
    run.start(strace, {QStringLiteral("-f"), QStringLiteral("-ff"), QStringLiteral("-qq"), QStringLiteral("-y"),
                       QStringLiteral("-s"), QStringLiteral("4096"), QStringLiteral("-e"),
                       QStringLiteral("trace=") + kTraced, QStringLiteral("-o"), logs + QStringLiteral("/t"),
                       QStringLiteral(TESSERA_READONLY_DRIVER)});
    EXPECT_TRUE(run.waitForStarted(10000));
    if (!run.waitForFinished(90000)) {
        run.kill();
        run.waitForFinished(5000);
        ADD_FAILURE() << "the program did not end within 90 s";
        return {};
    }
    const QString output = QString::fromLocal8Bit(run.readAllStandardOutput());
    EXPECT_EQ(run.exitCode(), 0) << output.toStdString() << run.readAllStandardError().toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("boxes: 0"))) << output.toStdString();

    QString log;
    const QStringList files = QDir(logs).entryList(QDir::Files);
    EXPECT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        QFile file(QDir(logs).filePath(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        log += QString::fromUtf8(file.readAll());
    }
    EXPECT_TRUE(log.contains(mustRead)) << "the trace did not see " << mustRead.toStdString() << " read";
    return violations(writingCalls(log, work), cache);
}

TEST(ReadOnlyProof, StartEveryPageAndAbbrechenWriteNothing)
{
    const QString found = tracedRun([](const QString& temp, QProcessEnvironment& env) {
        // A Wine prefix, so that reading its system.reg is part of the run.
        const QString prefix = temp + QStringLiteral("/wine");
        EXPECT_TRUE(QDir().mkpath(prefix));
        const QString file = prefix + QStringLiteral("/system.reg");
        EXPECT_TRUE(QFile::copy(QStringLiteral(TESSERA_FIXTURES "/registry/wine-system.reg"), file));
        env.insert(QStringLiteral("WINEPREFIX"), prefix);
        return file;
    });
    EXPECT_TRUE(found.isEmpty()) << found.toStdString();
}

// Another machine's installation: a folder of binary hives that Windows did
// not write back, opened, brought up to date from their logs and read.
TEST(ReadOnlyProof, AFolderOfHivesAndTheirLogsIsOnlyRead)
{
    const QString found = tracedRun([](const QString& temp, QProcessEnvironment& env) {
        const QString config = temp + QStringLiteral("/windows/Windows/System32/config");
        EXPECT_TRUE(QDir().mkpath(config));
        for (const char* name : {"SYSTEM", "SYSTEM.LOG", "SYSTEM.LOG1", "SYSTEM.LOG2", "SOFTWARE", "SOFTWARE.LOG1"})
            EXPECT_TRUE(QFile::copy(QStringLiteral(TESSERA_FIXTURES "/hives/logs/new/Windows/System32/config/")
                                        + QLatin1String(name),
                                    config + u'/' + QLatin1String(name)));
        env.insert(QStringLiteral("TESSERA_REGISTRY"), temp + QStringLiteral("/windows"));
        return config + QStringLiteral("/SYSTEM.LOG2");
    });
    EXPECT_TRUE(found.isEmpty()) << found.toStdString();
}

// A virtual machine's disk: a qcow2 overlay and the image it is based on,
// opened, their partitions searched, the hives and logs inside read.
TEST(ReadOnlyProof, ADiskImageIsOnlyRead)
{
    const QString found = tracedRun([](const QString&, QProcessEnvironment& env) {
        env.insert(QStringLiteral("TESSERA_REGISTRY"), QStringLiteral(TESSERA_IMAGES "/win10-overlay.qcow2"));
        return QStringLiteral(TESSERA_IMAGES "/win10.qcow2");
    });
    EXPECT_TRUE(found.isEmpty()) << found.toStdString();
}

}  // namespace
