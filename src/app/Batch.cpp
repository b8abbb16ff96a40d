#include "app/Batch.h"

#include "app/CsvRow.h"
#include "app/JsonReport.h"
#include "app/JsonWriter.h"
#include "app/MachineList.h"
#include "app/TerminalText.h"
#include "inventory/Inventory.h"
#include "runtime/RuntimeError.h"
#include "shell/Machine.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

using runtime::RuntimeError;

// One machine's line and what stderr tells of it.
struct Outcome {
    QByteArray line;
    QString told;
    bool failed = false;
};

Outcome failure(CommandLine::Mode mode, const NamedMachine& named, const RuntimeError& error)
{
    Outcome out;
    out.failed = true;
    out.told = terminalMessage(QString(), error);  // the message names the file
    if (mode == CommandLine::Mode::Csv) {
        out.line = csvFailure(named.source, error.description());
    } else {
        JsonWriter json(JsonWriter::Style::Compact);
        writeMachineFailure(json, named.source, error);
        out.line = json.finished();
    }
    return out;
}

// Opens the machine, alone (nothing of it stays in the program's caches), and
// writes its line; never asks.
Outcome lineOf(CommandLine::Mode mode, const NamedMachine& named)
{
    try {
        const shell::MachineRef machine = shell::Machine::open(named.sources, shell::Machine::Reuse::Fresh);
        Outcome out;
        QStringList warnings;
        if (mode == CommandLine::Mode::Csv) {
            const auto inventory = inventory::readInventory(*machine);
            if (inventory) warnings = inventory->warnings;
            out.line = csvRow(named.source, machine->product(), inventory);
        } else {
            JsonWriter json(JsonWriter::Style::Compact);
            warnings = writeMachineReport(json, machine, named.source);
            out.line = json.finished();
        }
        const QString lead = named.source.isEmpty() ? QString() : named.source + QStringLiteral(": ");
        for (const RuntimeError& note : machine->notices()) out.told += terminalMessage(QStringLiteral("Hinweis: ") + lead, note);
        for (const QString& warning : warnings) out.told += QStringLiteral("tessera: Warnung: %1%2\n").arg(lead, warning);
        return out;
    } catch (const RuntimeError& error) {
        return failure(mode, named, error);
    } catch (const std::exception& error) {
        return failure(mode, named,
                       RuntimeError(51, QStringLiteral("Interner Fehler: %1").arg(QString::fromLocal8Bit(error.what()))));
    }
}

// A line as one write to standard output: where several Tesseras write to the
// same file (xargs -P), each line lands whole.
bool writeLine(const QByteArray& line)
{
    qsizetype done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, line.constData() + done, std::size_t(line.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

}  // namespace

int runBatch(CommandLine::Mode mode)
{
    const std::vector<NamedMachine> machines = machinesToList();
    std::vector<std::optional<Outcome>> outcomes(machines.size());
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<std::size_t> next = 0;
    const auto work = [&] {
        for (std::size_t i; (i = next++) < machines.size();) {
            Outcome out = lineOf(mode, machines[i]);
            const std::lock_guard lock(mutex);
            outcomes[i] = std::move(out);
            ready.notify_all();
        }
    };
    // One machine is read here: a thread would only cost its start and its own heap.
    const std::size_t workers = std::min(std::size_t(std::max(1, QThread::idealThreadCount())), machines.size());
    std::vector<std::thread> threads;
    if (workers <= 1)
        work();
    else
        for (std::size_t w = 0; w < workers; ++w) threads.emplace_back(work);

    // The lines in the order named, each as soon as it and those before it are done.
    int exitCode = ExitCode::Done;
    bool written = true;
    if (mode == CommandLine::Mode::Csv) written = writeLine(csvHeader());
    for (std::size_t i = 0; i < machines.size(); ++i) {
        Outcome out;
        {
            std::unique_lock lock(mutex);
            ready.wait(lock, [&] { return outcomes[i].has_value(); });
            out = std::move(*outcomes[i]);
            outcomes[i].reset();
        }
        if (out.failed) exitCode = ExitCode::Failed;
        std::fputs(out.told.toUtf8().constData(), stderr);
        written = writeLine(out.line) && written;  // a reader sees each line as soon as it is done
    }
    for (std::thread& thread : threads) thread.join();
    if (!written) {
        std::fprintf(stderr, "tessera: die Ausgabe konnte nicht geschrieben werden\n");
        exitCode = ExitCode::Failed;
    }
    return exitCode;
}
