#include "app/TerminalText.h"

QString terminalLines(const QString& text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return lines;
}

QString sourceInWords(const shell::SourceDescription& source)
{
    using Kind = shell::SourceDescription::Kind;
    const QString file = QStringLiteral("\u201E%1\u201C").arg(source.path);
    switch (source.kind) {
    case Kind::Live:
        return QStringLiteral("dieser Rechner: Prozessor und Firmware aus /proc und /sys unter %1").arg(file);
    case Kind::Wine: return QStringLiteral("%1: Registrierung eines Wine-Präfixes").arg(file);
    case Kind::Export: return QStringLiteral("%1: exportierte Registrierungsdatei").arg(file);
    case Kind::Builtin:
        return QStringLiteral("eingebaute Vorgaben: Speicherverwaltung und Namen der Audiogeräte");
    case Kind::HiveSystem:
    case Kind::HiveSoftware: {
        const QString written =
            source.dirty ? QStringLiteral("nicht vollständig zurückgeschrieben; die Datei zeigt womöglich einen "
                                          "älteren Stand")
                         : QStringLiteral("sauber zurückgeschrieben");
        return QStringLiteral("%1: Registrierungsstruktur %2, Sequenznummern %3 und %4, %5")
            .arg(file, source.kind == Kind::HiveSystem ? QStringLiteral("SYSTEM") : QStringLiteral("SOFTWARE"))
            .arg(source.primarySequence)
            .arg(source.secondarySequence)
            .arg(written);
    }
    }
    return file;
}
