#include "app/Terminal.h"

#include "app/JsonReport.h"
#include "app/TerminalText.h"
#include "runtime/RuntimeError.h"
#include "shell/RegistrySources.h"
#include "sysinfo/CollectSystemInfo.h"
#include "sysinfo/InfoReport.h"
#include "sysinfo/SystemInfo.h"

#include <cstdio>

namespace {

void write(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
}

QByteArray output(CommandLine::Mode mode)
{
    switch (mode) {
    case CommandLine::Mode::Report:
        CollectSystemInfo();
        return terminalLines(BuildInfoReport(Variablen::SysInfo)).toUtf8();
    case CommandLine::Mode::Json: return jsonReport();
    case CommandLine::Mode::Sources: {
        QString lines;
        for (const shell::SourceDescription& source : shell::describeSources())
            lines += sourceInWords(source) + u'\n';
        return lines.toUtf8();
    }
    case CommandLine::Mode::Window: break;
    }
    return {};
}

}  // namespace

int runInTerminal(CommandLine::Mode mode)
{
    int exitCode = ExitCode::Done;
    try {
        write(output(mode));
    } catch (const runtime::RuntimeError& error) {
        std::fprintf(stderr, "tessera: %s\n", error.description().toUtf8().constData());
        exitCode = ExitCode::Failed;
    }
    // What the window tells in a box after it is up (a Wine prefix left out, a hive not up to date).
    for (const runtime::RuntimeError& note : shell::takeSourceNotices())
        std::fprintf(stderr, "tessera: Hinweis: %s\n", note.description().toUtf8().constData());
    if (std::fflush(stdout) != 0 && exitCode == ExitCode::Done) {
        std::fprintf(stderr, "tessera: die Ausgabe konnte nicht geschrieben werden\n");
        exitCode = ExitCode::Failed;
    }
    return exitCode;
}
