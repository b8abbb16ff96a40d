#include "app/TerminalText.h"

#include "registry/hive/TransactionLog.h"

#include <QStringList>

QString terminalLines(const QString& text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return lines;
}

QString terminalMessage(const QString& lead, const runtime::RuntimeError& error)
{
    QString text = QStringLiteral("tessera: ") + lead + error.description() + u'\n';
    if (!error.details().isEmpty())
        text += QStringLiteral("Einzelheiten: ") + QString(error.details()).replace(u'\n', QStringLiteral("; ")) + u'\n';
    return text;
}

QString sourceInWords(const shell::SourceDescription& source)
{
    using Kind = shell::SourceDescription::Kind;
    QString file = QStringLiteral("\u201E%1\u201C").arg(source.path);
    if (!source.image.isNull())
        file += source.partition > 0 ? QStringLiteral(" in Partition %1 von \u201E%2\u201C").arg(source.partition).arg(source.image)
                                     : QStringLiteral(" in \u201E%1\u201C").arg(source.image);
    if (source.chain.size() > 1 || (source.chain.size() == 1 && source.chain.front() != source.image)) {
        QStringList files;
        for (const QString& chained : source.chain) files << QStringLiteral("\u201E%1\u201C").arg(chained);
        file += QStringLiteral(" (gelesen aus %1)").arg(files.join(QStringLiteral(", ")));
    }
    if (!source.encryption.isEmpty()) file += QStringLiteral(", Volume mit %1").arg(source.encryption);
    switch (source.kind) {
    case Kind::Live:
        return QStringLiteral("dieser Rechner: Prozessor und Firmware aus /proc und /sys unter %1").arg(file);
    case Kind::Wine: return QStringLiteral("%1: Registrierung eines Wine-Präfixes").arg(file);
    case Kind::Export: return QStringLiteral("%1: exportierte Registrierungsdatei").arg(file);
    case Kind::Builtin:
        return QStringLiteral("eingebaute Vorgaben: Speicherverwaltung und Namen der Audiogeräte");
    case Kind::HiveSystem:
    case Kind::HiveSoftware: {
        QString line = QStringLiteral("%1: Registrierungsstruktur %2, Sequenznummern %3 und %4, %5")
                           .arg(file, source.kind == Kind::HiveSystem ? QStringLiteral("SYSTEM") : QStringLiteral("SOFTWARE"))
                           .arg(source.primarySequence)
                           .arg(source.secondarySequence)
                           .arg(source.dirty ? QStringLiteral("nicht vollständig zurückgeschrieben")
                                             : QStringLiteral("sauber zurückgeschrieben"));
        QStringList applied, unused;
        for (const shell::SourceDescription::Log& log : source.logs) {
            const QString name = QStringLiteral("\u201E%1\u201C").arg(registry::fileNameOf(log.path));
            if (log.entries > 0)
                applied << QStringLiteral("%1 (%2 %3%4)")
                               .arg(name)
                               .arg(log.entries)
                               .arg(log.entries == 1 ? QStringLiteral("Eintrag") : QStringLiteral("Einträge"))
                               .arg(log.stopped.isEmpty() ? QString() : QStringLiteral(", dann abgebrochen: ") + log.stopped);
            else if (!log.stopped.isEmpty())
                unused << QStringLiteral("%1 nicht brauchbar: %2").arg(name, log.stopped);
        }
        if (!applied.isEmpty())
            line += QStringLiteral("; aus %1 auf Sequenznummer %2 gebracht").arg(applied.join(QStringLiteral(" und ")))
                        .arg(source.sequence);
        if (!unused.isEmpty()) line += QStringLiteral("; ") + unused.join(QStringLiteral("; "));
        if (!source.upToDate) line += QStringLiteral("; die Datei zeigt einen älteren Stand, neuere Änderungen fehlen");
        return line;
    }
    }
    return file;
}

QString productInWords(const registry::WindowsProduct& product)
{
    QStringList details;
    if (!product.edition.isEmpty()) details << QStringLiteral("Edition ") + product.edition;
    if (!product.build.isEmpty()) details << QStringLiteral("Build ") + product.build;
    return details.isEmpty() ? QStringLiteral("Windows: ") + product.inWords()
                             : QStringLiteral("Windows: %1 (%2)").arg(product.inWords(), details.join(QStringLiteral(", ")));
}
