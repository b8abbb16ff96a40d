#include "app/Terminal.h"

#include "app/JsonReport.h"
#include "app/SecretPrompt.h"
#include "app/TerminalText.h"
#include "disk/bitlocker/Keyring.h"
#include "disk/bitlocker/SecretFile.h"
#include "disk/bitlocker/SecretNeeded.h"
#include "runtime/RuntimeError.h"
#include "app/ShownSources.h"
#include "sysinfo/CollectSystemInfo.h"
#include "sysinfo/InfoReport.h"
#include "sysinfo/SystemInfo.h"

#include <cstdio>
#include <map>

namespace {

void write(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
}

QByteArray output(CommandLine::Mode mode, const shell::MachineRef& machine)
{
    switch (mode) {
    case CommandLine::Mode::Report:
        CollectSystemInfo(machine);
        return terminalLines(BuildInfoReport(Variablen::SysInfo)).toUtf8();
    case CommandLine::Mode::Json: return jsonReport(machine);
    case CommandLine::Mode::Sources: {
        QString lines;
        for (const shell::SourceDescription& source : machine->described()) lines += sourceInWords(source) + u'\n';
        if (const auto product = machine->product()) lines += productInWords(*product) + u'\n';
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
    auto fail = [&](const runtime::RuntimeError& error) {
        std::fputs(terminalMessage(QString(), error).toUtf8().constData(), stderr);
        exitCode = ExitCode::Failed;
    };
    // A BitLocker volume that a secret would open is asked for at the
    // terminal, three times at most, and everything read again.
    std::map<QByteArray, int> asked;  // by volume
    shell::MachineRef machine;
    for (bool done = false; !done;) {
        done = true;
        try {
            machine = shownMachine();
            write(output(mode, machine));
        } catch (const disk::SecretNeeded& question) {
            int& times = asked[question.volumeId()];
            // A key file is named with --schluessel; only a password or a recovery password is typed.
            if (!canPromptForSecret() || times >= 3 || question.keyFileOnly()) {
                fail(question);
                break;
            }
            if (times > 0) std::fprintf(stderr, "tessera: Kennwort oder Wiederherstellungsschlüssel passt nicht\n");
            ++times;
            disk::Secret secret = disk::secretFromBytes(promptForSecret(question.prompt()));
            if (secret.empty()) {
                fail(question);
                break;
            }
            disk::Keyring::instance().add(std::move(secret));
            done = false;
        } catch (const runtime::RuntimeError& error) {
            fail(error);
        }
    }
    // What the window tells in a box after it is up (a Wine prefix left out, a hive not up to date).
    if (machine)
        for (const runtime::RuntimeError& note : machine->notices())
            std::fputs(terminalMessage(QStringLiteral("Hinweis: "), note).toUtf8().constData(), stderr);
    if (std::fflush(stdout) != 0 && exitCode == ExitCode::Done) {
        std::fprintf(stderr, "tessera: die Ausgabe konnte nicht geschrieben werden\n");
        exitCode = ExitCode::Failed;
    }
    return exitCode;
}
