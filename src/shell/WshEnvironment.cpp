#include "shell/WshEnvironment.h"

#include "shell/MachineFacts.h"

#include <QRegularExpression>

#include <cstdlib>
#include <cstring>
#include <optional>

#include <unistd.h>

namespace shell {

namespace {

// The process's variable of that name, matched as on Windows without regard to
// case (ASCII letters; other bytes must be equal).
std::optional<QString> processVariable(const QString& name)
{
    const QByteArray wanted = name.toLocal8Bit();
    if (const char* value = std::getenv(wanted.constData())) return QString::fromLocal8Bit(value);
    for (char** entry = environ; entry && *entry; ++entry) {
        const char* eq = std::strchr(*entry, '=');
        if (eq && eq - *entry == wanted.size() && qstrnicmp(*entry, wanted.constData(), wanted.size()) == 0)
            return QString::fromLocal8Bit(eq + 1);
    }
    return std::nullopt;
}

std::optional<QString> variable(const QString& name, const MachineSnapshot& machine)
{
    // No variable's name holds "=" or NUL (a NUL would cut the name short for getenv).
    if (name.isEmpty() || name.contains(u'=') || name.contains(QChar(u'\0'))) return std::nullopt;
    if (auto value = processVariable(name)) return value;
    return derivedVariable(name.toUpper(), machine.texts());
}

}  // namespace

WshEnvironment::WshEnvironment(std::shared_ptr<const MachineSnapshot> machine) : machine_(std::move(machine)) {}

QString WshEnvironment::operator()(const QString& name) const
{
    return variable(name, *machine_).value_or(QString());
}

QString expandVariables(const QString& text, const MachineSnapshot& machine)
{
    static const QRegularExpression var(QStringLiteral("%([^%]+)%"));
    QString out;
    qsizetype last = 0;
    auto it = var.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        out += text.mid(last, m.capturedStart() - last);
        const auto value = variable(m.captured(1), machine);
        out += value ? *value : m.captured(0);
        last = m.capturedEnd();
    }
    return out + text.mid(last);
}

}  // namespace shell
