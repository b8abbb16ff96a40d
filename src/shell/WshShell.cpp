#include "shell/WshShell.h"

#include "machine/MachineFacts.h"
#include "runtime/RuntimeError.h"
#include "shell/Machine.h"

namespace shell {

namespace ErrorNumber = runtime::ErrorNumber;
using runtime::RuntimeError;
using runtime::Variant;
using registry::RegType;
using registry::dwordOf;
using registry::multiStringOf;
using registry::textOf;

namespace {

RuntimeError notFound(const QString& path)
{
    return {ErrorNumber::FileNotFound,
            QStringLiteral("Der Registrierungsschlüssel \"%1\" kann nicht zum Lesen geöffnet werden.").arg(path)};
}

}  // namespace

WshShell::WshShell(std::shared_ptr<const Machine> machine) : machine_(std::move(machine)) {}

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

    const auto value = machine_->find(keyPath, valueName);
    if (!value) throw notFound(path);
    switch (RegType(value->type)) {
    case RegType::Sz: return *textOf(*value);
    case RegType::ExpandSz: return WshEnvironment(machine_).expand(*textOf(*value));
    case RegType::Dword:
        if (const auto number = dwordOf(*value)) return std::int32_t(*number);
        break;
    case RegType::MultiSz: return *multiStringOf(*value);
    case RegType::Binary: return value->data.toByteArray();
    default: break;
    }
    throw RuntimeError(ErrorNumber::TypeMismatch,
                       QStringLiteral("Typen unverträglich: der Wert \"%1\" hat einen Typ (%2), der nicht gelesen "
                                      "werden kann.").arg(path).arg(value->type));
}

std::unique_ptr<WshShell> CreateObject(const QString& progId, std::shared_ptr<const Machine> machine)
{
    if (progId.compare(u"Wscript.Shell", Qt::CaseInsensitive) != 0)
        throw RuntimeError(ErrorNumber::CannotCreateObject,
                           QStringLiteral("Objekterstellung durch ActiveX-Komponente nicht möglich"));
    return std::make_unique<WshShell>(std::move(machine));
}

}  // namespace shell
