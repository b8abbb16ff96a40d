#include "app/SourceQuestions.h"

#include "app/ShownSources.h"

#include "disk/bitlocker/Keyring.h"
#include "disk/containers/ParentChain.h"
#include "disk/bitlocker/SecretNeeded.h"
#include "disk/SizeInWords.h"
#include "registry/SeveralInstallations.h"
#include "window/InstallationDialog.h"
#include "window/ParentDialog.h"
#include "window/SecretDialog.h"

#include <QDir>
#include <QFileInfo>

#include <exception>

namespace {

using runtime::RuntimeError;

// The row chosen, or nothing when the user cancels.
std::optional<std::size_t> askInstallation(const registry::SeveralInstallations& question, QWidget* parent)
{
    std::vector<InstallationDialog::Row> rows;
    for (const auto& installation : question.installations())
        rows.push_back({installation.disk,
                        installation.partition > 0 ? QString::number(installation.partition) : QStringLiteral("\u2013"),
                        disk::sizeInWords(installation.size), installation.label, installation.windows});
    const QString name = QFileInfo(QDir::cleanPath(question.source())).fileName();
    InstallationDialog dialog(QStringLiteral("\u201E%1\u201C enthält %2 Windows-Installationen. Welche soll Tessera "
                                             "zeigen?")
                                  .arg(name, QString::number(rows.size())),
                              rows, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return std::size_t(dialog.chosen());
}

// Whether the user gave a secret that opens the volume.
bool askSecret(const disk::SecretNeeded& question, QWidget* parent)
{
    const QByteArray volume = question.volumeId();
    SecretDialog dialog(
        question.prompt(),
        [&](disk::Secret secret) -> SecretDialog::Outcome {
            disk::Keyring::instance().add(std::move(secret));
            try {
                shell::Machine::open(namedSources());
            } catch (const disk::SecretNeeded& again) {
                if (again.volumeId() == volume) return {false, {}};
            } catch (const std::exception&) {
                // the volume opened; what else the sources need or lack is for the caller
            }
            return {true, {}};
        },
        question.keyFileOnly(), parent);
    return dialog.exec() == QDialog::Accepted;
}

// Whether the user found the parent.
bool askParent(const disk::MissingParent& question, QWidget* parent)
{
    const QString child = question.child();
    ParentDialog dialog(
        question.description(), question.parentName(), QFileInfo(child).absolutePath(),
        [&](const QString& chosen) -> QString {
            disk::giveParent(child, chosen);
            try {
                shell::Machine::open(namedSources());
            } catch (const disk::WrongParent& wrong) {
                if (QFileInfo(wrong.parent()) == QFileInfo(chosen)) {
                    disk::forgetGivenParent(child);
                    return wrong.description();
                }
            } catch (const disk::MissingParent& still) {
                if (QFileInfo(still.child()) == QFileInfo(child)) {
                    disk::forgetGivenParent(child);
                    return QStringLiteral("\u201E%1\u201C ist nicht das gesuchte Basisabbild.").arg(chosen);
                }
            } catch (const std::exception&) {
                // the chain is whole; what else the sources need or lack is for the caller
            }
            return {};
        },
        parent);
    return dialog.exec() == QDialog::Accepted;
}

// The source of `question` named again as the installation of `row`; false when it is not among those named.
bool nameAgain(const registry::SeveralInstallations& question, std::size_t row)
{
    QStringList named = namedSources().value_or(QStringList());
    const qsizetype at = named.indexOf(question.source());
    if (at < 0) return false;
    named[at] = question.sourceFor(row);
    setNamedSources(named);
    return true;
}

}  // namespace

OpenedSources openSourcesAsking(QWidget* parent)
{
    using Outcome = OpenedSources::Outcome;
    for (;;) {
        try {
            return {Outcome::Opened, shell::Machine::open(namedSources()), std::nullopt};
        } catch (const registry::SeveralInstallations& question) {
            const auto row = askInstallation(question, parent);
            if (!row) return {Outcome::Cancelled, {}, std::nullopt};
            if (!nameAgain(question, *row)) return {Outcome::Failed, {}, question};
        } catch (const disk::SecretNeeded& question) {
            if (!askSecret(question, parent)) return {Outcome::Cancelled, {}, std::nullopt};
        } catch (const disk::MissingParent& question) {
            if (!askParent(question, parent)) return {Outcome::Cancelled, {}, std::nullopt};
        } catch (const RuntimeError& error) {
            return {Outcome::Failed, {}, error};
        } catch (const std::exception& error) {
            return {Outcome::Failed, {},
                    RuntimeError(51, QStringLiteral("Interner Fehler: %1").arg(QString::fromLocal8Bit(error.what())))};
        }
    }
}
