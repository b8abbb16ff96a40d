#include "machine/ViewedHardware.h"

namespace machine {

using registry::RegKey;
using registry::RegistryTree;
using registry::textValue;

namespace {

void putText(RegKey& key, QStringView name, const std::optional<QString>& text)
{
    if (text && !text->isEmpty()) key.setValue(name, textValue(*text));
}

}  // namespace

RegistryTree viewedHardware(const TextLookup& text)
{
    RegistryTree tree;
    RegKey& system = tree.root().ensureChild(u"HARDWARE").ensureChild(u"DESCRIPTION").ensureChild(u"System");

    const auto identifier = text(u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
                                 u"PROCESSOR_IDENTIFIER");
    if (identifier) {
        const qsizetype comma = identifier->lastIndexOf(QStringLiteral(", "));
        if (comma >= 0)
            putText(system.ensureChild(u"CentralProcessor").ensureChild(u"0"), u"VendorIdentifier",
                    identifier->mid(comma + 2));
    }

    std::optional<QString> date, version;
    if (const auto last = text(u"SYSTEM\\HardwareConfig", u"LastConfig"); last && !last->isEmpty()) {
        const QString config = QStringLiteral("SYSTEM\\HardwareConfig\\") + *last;
        date = text(config, u"BIOSReleaseDate");
        version = text(config, u"BIOSVersion");
    }
    const QStringView information = u"SYSTEM\\CurrentControlSet\\Control\\SystemInformation";
    if (!date) date = text(information, u"BIOSReleaseDate");
    if (!version) version = text(information, u"BIOSVersion");
    putText(system, u"SystemBiosDate", date);
    putText(system, u"SystemBiosVersion", version);
    return tree;
}

}  // namespace machine
