#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

// The built program run as a terminal runs it, to its end.
struct ProgramRun {
    int exitCode = -1;
    bool crashed = false;
    QByteArray out;
    QString err;
};

// Without any display (no DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM), with
// the test's environment otherwise; `set` adds or replaces variables.
inline ProgramRun runProgram(const QStringList& arguments, const std::vector<std::pair<QString, QString>>& set = {})
{
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
    for (const auto& [name, value] : set) env.insert(name, value);
    run.setProcessEnvironment(env);
    run.start(QStringLiteral(TESSERA_PROGRAM), arguments);
    EXPECT_TRUE(run.waitForFinished(20000));
    return {run.exitCode(), run.exitStatus() == QProcess::CrashExit, run.readAllStandardOutput(),
            QString::fromUtf8(run.readAllStandardError())};
}
