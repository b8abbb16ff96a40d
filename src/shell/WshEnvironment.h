#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace shell {

class Machine;

// The process environment as the shell object shows it. A variable the
// process sets always wins; names compare without regard to case, and a
// variable that is not set yields the empty text. For this machine, the
// variables Windows defines in every process are derived from the machine when
// the process lacks them. For another machine they come from its registry:
// Session Manager\Environment (REG_EXPAND_SZ expanded with its own variables),
// SYSTEMROOT from Windows NT\CurrentVersion, SYSTEMDRIVE from SYSTEMROOT,
// WINDIR from windir or SYSTEMROOT; never from this machine.
class WshEnvironment {
public:
    explicit WshEnvironment(std::shared_ptr<const Machine> machine);
    QString operator()(const QString& name) const;

    // Replaces each %NAME% whose variable is set by its value; anything else
    // stays as written (REG_EXPAND_SZ values are read this way).
    QString expand(const QString& text) const;

private:
    std::optional<QString> variable(QStringView name, int depth) const;
    std::optional<QString> viewedVariable(const QString& upperName, int depth) const;
    QString expand(const QString& text, int depth) const;

    std::shared_ptr<const Machine> machine_;
};

}  // namespace shell
