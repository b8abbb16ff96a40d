#include "shell/WshShell.h"

#include "shell/MachineFacts.h"
#include "shell/RegistrySources.h"
#include "shell/RuntimeError.h"

#include <QRegularExpression>

#include <cstdlib>
#include <cstring>
#include <optional>

#include <unistd.h>

namespace shell {

namespace {

QString g_machineRoot = QStringLiteral("/");

QString utf16Text(const QByteArray& data)
{
    QString text;
    for (qsizetype i = 0; i + 1 < data.size(); i += 2)
        text.append(QChar(char16_t(std::uint8_t(data[i]) | std::uint8_t(data[i + 1]) << 8)));
    return text;
}

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

QString expand(const QString& text, const MachineSnapshot& machine)
{
    // %NAME% with a set variable is replaced; anything else stays as written.
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

RuntimeError notFound(const QString& path)
{
    return {ErrorNumber::FileNotFound,
            QStringLiteral("Der Registrierungsschlüssel \"%1\" kann nicht zum Lesen geöffnet werden.").arg(path)};
}

}  // namespace

WshEnvironment::WshEnvironment(std::shared_ptr<const MachineSnapshot> machine) : machine_(std::move(machine)) {}

QString WshEnvironment::operator()(const QString& name) const
{
    return variable(name, *machine_).value_or(QString());
}

WshShell::WshShell(std::shared_ptr<const RegistrySources> sources, std::shared_ptr<const MachineSnapshot> machine)
    : sources_(std::move(sources)), machine_(std::move(machine))
{
}

WshShell::~WshShell() = default;

WshEnvironment WshShell::Environment(const QString& kind) const
{
    if (kind.compare(u"PROCESS", Qt::CaseInsensitive) != 0)
        throw RuntimeError(ErrorNumber::InvalidProcedureCall,
                           QStringLiteral("Ungültiger Prozeduraufruf oder ungültiges Argument"));
    return WshEnvironment(machine_);
}

Variant WshShell::RegRead(const QString& path) const
{
    QString rest;
    for (const auto root : {u"HKLM\\", u"HKEY_LOCAL_MACHINE\\"}) {
        if (path.startsWith(QStringView(root), Qt::CaseInsensitive)) {
            rest = path.mid(QStringView(root).size());
            break;
        }
    }
    if (rest.isNull())
        throw RuntimeError(ErrorNumber::PathNotFound,
                           QStringLiteral("Ungültige Wurzel im Registrierungsschlüssel \"%1\".").arg(path));
    const qsizetype slash = rest.lastIndexOf(u'\\');
    const QString keyPath = slash < 0 ? QString() : rest.left(slash);
    const QString valueName = rest.mid(slash + 1);

    const auto value = sources_->find(keyPath, valueName);
    if (!value) throw notFound(path);
    switch (RegType(value->type)) {
    case RegType::Sz:
    case RegType::ExpandSz: {
        QString text = utf16Text(value->data);
        if (const qsizetype nul = text.indexOf(QChar(u'\0')); nul >= 0) text.truncate(nul);
        return RegType(value->type) == RegType::Sz ? text : expand(text, *machine_);
    }
    case RegType::Dword:
        if (value->data.size() == 4) {
            const auto* d = reinterpret_cast<const std::uint8_t*>(value->data.constData());
            return std::int32_t(d[0] | d[1] << 8 | d[2] << 16 | std::uint32_t(d[3]) << 24);
        }
        break;
    case RegType::MultiSz: {
        QStringList items = utf16Text(value->data).split(QChar(u'\0'));
        while (!items.isEmpty() && items.last().isEmpty()) items.removeLast();
        return items;
    }
    case RegType::Binary:
        return value->data;
    default:
        break;
    }
    throw RuntimeError(ErrorNumber::TypeMismatch,
                       QStringLiteral("Typen unverträglich: der Wert \"%1\" hat einen Typ (%2), der nicht gelesen "
                                      "werden kann.").arg(path).arg(value->type));
}

std::unique_ptr<WshShell> CreateObject(const QString& progId)
{
    if (progId.compare(u"Wscript.Shell", Qt::CaseInsensitive) != 0)
        throw RuntimeError(ErrorNumber::CannotCreateObject,
                           QStringLiteral("Objekterstellung durch ActiveX-Komponente nicht möglich"));
    auto machine = std::make_shared<const MachineSnapshot>();
    auto sources = RegistrySources::fromEnvironment(machine);
    return std::make_unique<WshShell>(std::move(sources), std::move(machine));
}

void setMachineRoot(const QString& root) { g_machineRoot = root; }

QString machineRoot() { return g_machineRoot; }

}  // namespace shell
