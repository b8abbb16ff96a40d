#include "shell/WshEnvironment.h"

#include "machine/MachineFacts.h"
#include "shell/Machine.h"

#include <QRegularExpression>

#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace shell {

using registry::RegType;
using registry::textOf;
using machine::MachineSnapshot;
using machine::derivedVariable;

namespace {

// Variables that name each other are expanded this deep at the most, so a
// loop (A=%B%, B=%A%) ends.
constexpr int MaxExpansionDepth = 8;

// The process's variable of that name, matched as on Windows without regard to
// case (ASCII letters; other bytes must be equal).
std::optional<QString> processVariable(QStringView name)
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

}  // namespace

WshEnvironment::WshEnvironment(std::shared_ptr<const Machine> machine) : machine_(std::move(machine)) {}

QString WshEnvironment::operator()(const QString& name) const
{
    return variable(name, 0).value_or(QString());
}

QString WshEnvironment::expand(const QString& text) const
{
    return expand(text, 0);
}

std::optional<QString> WshEnvironment::variable(QStringView name, int depth) const
{
    // No variable's name holds "=" or NUL (a NUL would cut the name short for getenv).
    if (name.isEmpty() || name.contains(u'=') || name.contains(QChar(u'\0'))) return std::nullopt;
    if (auto value = processVariable(name)) return value;
    const QString upper = name.toString().toUpper();
    if (machine_->viewsAnotherMachine()) return viewedVariable(upper, depth);
    return derivedVariable(upper, machine_->snapshot()->texts());
}

std::optional<QString> WshEnvironment::viewedVariable(const QString& upperName, int depth) const
{
    auto text = [&](QStringView key, QStringView valueName) -> std::optional<QString> {
        const auto value = machine_->find(key, valueName);
        if (!value) return std::nullopt;
        const auto text = textOf(*value);
        if (!text) return std::nullopt;
        return value->type == std::uint32_t(RegType::ExpandSz) ? expand(*text, depth + 1) : *text;
    };
    if (auto value = text(u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", upperName))
        return value;
    if (upperName == u"SYSTEMROOT")
        return text(u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"SystemRoot");
    if (upperName == u"SYSTEMDRIVE") {
        const QString root = viewedVariable(QStringLiteral("SYSTEMROOT"), depth).value_or(QString());
        if (root.size() >= 2 && root[0].isLetter() && root[0].unicode() < 0x80 && root[1] == u':') return root.left(2);
        return std::nullopt;
    }
    if (upperName == u"WINDIR") return viewedVariable(QStringLiteral("SYSTEMROOT"), depth);
    return std::nullopt;  // nothing machine-wide sets it (HOMEDRIVE is the user's, set at logon)
}

QString WshEnvironment::expand(const QString& text, int depth) const
{
    if (depth > MaxExpansionDepth) return text;
    static const QRegularExpression var(QStringLiteral("%([^%]+)%"));
    QString out;
    qsizetype last = 0;
    auto it = var.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        out += QStringView(text).mid(last, m.capturedStart() - last);
        const auto value = variable(m.capturedView(1), depth);
        out += value ? *value : m.captured(0);
        last = m.capturedEnd();
    }
    out += QStringView(text).mid(last);
    return out;
}

}  // namespace shell
