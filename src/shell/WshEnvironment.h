#pragma once

#include <QString>

#include <memory>

namespace shell {

class MachineSnapshot;

// The process environment as the shell object shows it: the real environment,
// plus the variables Windows defines in every process, derived from the machine
// when the process lacks them. Names compare case-insensitively; a variable
// that is not set yields the empty text.
class WshEnvironment {
public:
    explicit WshEnvironment(std::shared_ptr<const MachineSnapshot> machine);
    QString operator()(const QString& name) const;

private:
    std::shared_ptr<const MachineSnapshot> machine_;
};

// Replaces each %NAME% whose variable is set by its value; anything else
// stays as written (REG_EXPAND_SZ values are read this way).
QString expandVariables(const QString& text, const MachineSnapshot& machine);

}  // namespace shell
