#include "app/Terminal.h"

#include "app/JsonReport.h"
#include "app/JsonWriter.h"
#include "app/MachineList.h"
#include "app/SecretPrompt.h"
#include "app/ShownSources.h"
#include "app/TerminalText.h"
#include "disk/bitlocker/Keyring.h"
#include "disk/bitlocker/SecretFile.h"
#include "disk/bitlocker/SecretNeeded.h"
#include "runtime/RuntimeError.h"
#include "sysinfo/CollectSystemInfo.h"
#include "sysinfo/InfoReport.h"
#include "sysinfo/SystemInfo.h"

#include <cstdio>
#include <map>

namespace {

using runtime::RuntimeError;

void write(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
}

void tell(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stderr);
}

// The machine of `sources`, opened; a BitLocker volume that a secret would
// open is asked for at the terminal, three times at most, and everything
// read again. Fails as shell::Machine::open does.
shell::MachineRef openAsking(const std::optional<QStringList>& sources)
{
    std::map<QByteArray, int> asked;  // by volume
    for (;;) {
        try {
            return shell::Machine::open(sources);
        } catch (const disk::SecretNeeded& question) {
            int& times = asked[question.volumeId()];
            // A key file is named with --schluessel; only a password or a recovery password is typed.
            if (!canPromptForSecret() || times >= 3 || question.keyFileOnly()) throw;
            if (times > 0) std::fprintf(stderr, "tessera: Kennwort oder Wiederherstellungsschlüssel passt nicht\n");
            ++times;
            disk::Secret secret = disk::secretFromBytes(promptForSecret(question.prompt()));
            if (secret.empty()) throw;
            disk::Keyring::instance().add(std::move(secret));
        }
    }
}

QString report(const shell::MachineRef& machine)
{
    SystemInfo info;  // a record of its own: machines may be reported one after another
    CollectSystemInfo(info, machine);
    return terminalLines(BuildInfoReport(info));
}

QString sourcesInWords(const shell::MachineRef& machine)
{
    QString lines;
    for (const shell::SourceDescription& source : machine->described()) lines += sourceInWords(source) + u'\n';
    if (const auto product = machine->product()) lines += productInWords(*product) + u'\n';
    return lines;
}

}  // namespace

int runInTerminal(CommandLine::Mode mode)
{
    int exitCode = ExitCode::Done;
    const std::vector<NamedMachine> machines = machinesToShow();
    const bool several = machines.size() > 1;
    JsonWriter json;
    if (mode == CommandLine::Mode::Json && several) json.beginArray();
    for (std::size_t i = 0; i < machines.size(); ++i) {
        const NamedMachine& named = machines[i];
        // Several machines: each report and list of sources under a line naming it.
        const QString heading = several ? QStringLiteral("%1==> %2 <==\n").arg(i > 0 ? QStringLiteral("\n") : QString(), named.source)
                                        : QString();
        shell::MachineRef machine;
        try {
            machine = openAsking(named.sources);
            switch (mode) {
            case CommandLine::Mode::Report: {
                QString text = heading + report(machine);
                if (several && !text.endsWith(u'\n')) text += u'\n';  // the next heading on a line of its own
                write(text.toUtf8());
                break;
            }
            case CommandLine::Mode::Sources: write((heading + sourcesInWords(machine)).toUtf8()); break;
            case CommandLine::Mode::Json:
                for (const QString& warning : writeMachineReport(json, machine, several ? named.source : QString()))
                    tell(QStringLiteral("tessera: Warnung: %1%2\n").arg(several ? named.source + QStringLiteral(": ") : QString(), warning));
                break;
            default: break;
            }
        } catch (const RuntimeError& error) {
            tell(terminalMessage(QString(), error));
            exitCode = ExitCode::Failed;
            if (mode == CommandLine::Mode::Json && several) writeMachineFailure(json, named.source, error);
        }
        // What the window tells in a box after it is up (a Wine prefix left out, a hive not up to date).
        if (machine)
            for (const RuntimeError& note : machine->notices()) tell(terminalMessage(QStringLiteral("Hinweis: "), note));
    }
    if (mode == CommandLine::Mode::Json) {
        if (several) json.endArray();
        if (several || exitCode == ExitCode::Done) write(json.finished());
    }
    if (std::fflush(stdout) != 0 && exitCode == ExitCode::Done) {
        std::fprintf(stderr, "tessera: die Ausgabe konnte nicht geschrieben werden\n");
        exitCode = ExitCode::Failed;
    }
    return exitCode;
}
