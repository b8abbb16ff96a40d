#include "app/FurtherWindows.h"

#include "shell/NamedMachines.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

namespace {

QStringList g_keyFiles;
QStringList g_toolkitOptions;

// The program this window runs in: the window module is loaded by tessera.
QString thisProgram()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
}

}  // namespace

void rememberWindowOptions(const CommandLine& commandLine)
{
    g_keyFiles.clear();
    for (const QString& file : commandLine.keyFiles)
        if (file != u"-") g_keyFiles << QFileInfo(file).absoluteFilePath();
    g_toolkitOptions.clear();
    for (int i = 1; i < commandLine.toolkitArgumentCount; ++i)
        g_toolkitOptions << QFile::decodeName(commandLine.toolkitArguments[std::size_t(i)]);
}

QStringList furtherWindowArguments(const QStringList& sources)
{
    QStringList arguments;
    for (const QString& file : g_keyFiles) arguments << QStringLiteral("--schluessel") << file;
    arguments << g_toolkitOptions << QStringLiteral("--");
    for (const QString& source : sources) arguments << QFileInfo(source).absoluteFilePath();
    return arguments;
}

std::function<void(const QStringList& arguments)>& furtherWindowOpener()
{
    static std::function<void(const QStringList&)> opener = [](const QStringList& arguments) {
        if (!QProcess::startDetached(thisProgram(), arguments))
            std::fprintf(stderr, "tessera: ein weiteres Fenster für %s konnte nicht geöffnet werden\n",
                         arguments.last().toLocal8Bit().constData());
    };
    return opener;
}

QStringList openFurtherWindows(const QStringList& sources)
{
    const std::vector<QStringList> machines = shell::machinesNamed(sources);
    if (machines.empty()) return sources;
    for (std::size_t i = 1; i < machines.size(); ++i) furtherWindowOpener()(furtherWindowArguments(machines[i]));
    return machines.front();
}
