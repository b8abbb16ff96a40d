#include "app/CsvRow.h"

#include <QStringList>

namespace {

const char* const kColumns[] = {"source",  "hostname",  "domain",       "product",   "displayVersion",
                                "build",   "architecture", "installed", "lastShutdown", "timeZone",
                                "addresses", "users",   "applications", "error"};
constexpr int kColumnCount = int(std::size(kColumns));

QByteArray field(QString text)
{
    if (!text.isEmpty() && QStringLiteral("=+-@").contains(text.front())) text.prepend(u'\'');
    if (text.contains(u',') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r'))
        text = u'"' + text.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
    return text.toUtf8();
}

QByteArray row(const QStringList& fields)
{
    QByteArray line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        line += field(fields[i]);
    }
    return line + "\r\n";
}

}  // namespace

QByteArray csvHeader()
{
    QStringList names;
    for (const char* name : kColumns) names << QString::fromLatin1(name);
    return row(names);
}

QByteArray csvRow(const QString& source, const std::optional<registry::WindowsProduct>& product,
                  const std::optional<inventory::Inventory>& inventory)
{
    QStringList fields{source};
    const inventory::Inventory empty;
    const inventory::Inventory& i = inventory ? *inventory : empty;
    QStringList addresses, users;
    for (const inventory::Adapter& adapter : i.network) addresses << adapter.addresses;
    for (const inventory::User& user : i.users) users << user.name;
    fields << i.hostname.value_or(QString()) << i.domain.value_or(QString())
           << (product ? product->name : QString()) << (product ? product->displayVersion : QString())
           << (product ? product->build : QString()) << i.architecture.value_or(QString())
           << i.installed.value_or(QString()) << i.lastShutdown.value_or(QString())
           << (i.timeZone ? i.timeZone->name : QString()) << addresses.join(QStringLiteral("; "))
           << users.join(QStringLiteral("; ")) << (inventory ? QString::number(i.applications.size()) : QString())
           << QString();
    Q_ASSERT(fields.size() == kColumnCount);
    return row(fields);
}

QByteArray csvFailure(const QString& source, const QString& error)
{
    QStringList fields{source};
    for (int i = 1; i < kColumnCount - 1; ++i) fields << QString();
    fields << error;
    return row(fields);
}
