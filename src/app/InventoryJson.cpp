#include "app/InventoryJson.h"

#include <QString>

namespace {

using inventory::Inventory;

void optionalText(JsonWriter& json, const std::optional<QString>& text)
{
    if (text)
        json.text(*text);
    else
        json.null();
}

void textOrNull(JsonWriter& json, const QString& text)
{
    if (text.isEmpty())
        json.null();
    else
        json.text(text);
}

void texts(JsonWriter& json, const QStringList& list)
{
    json.beginArray();
    for (const QString& text : list) json.text(text);
    json.endArray();
}

// The text facts, in the order of the record.
const std::pair<const char16_t*, std::optional<QString> Inventory::*> kTexts[] = {
    {u"hostname", &Inventory::hostname},
    {u"dnsHostname", &Inventory::dnsHostname},
    {u"domain", &Inventory::domain},
    {u"architecture", &Inventory::architecture},
    {u"installed", &Inventory::installed},
    {u"lastShutdown", &Inventory::lastShutdown},
};

void writeDrive(JsonWriter& json, const inventory::Drive& drive)
{
    json.beginObject();
    json.key(u"letter");
    json.text(drive.letter);
    if (drive.mbrSignature) {
        json.key(u"mbrSignature");
        json.text(QStringLiteral("%1").arg(*drive.mbrSignature, 8, 16, QLatin1Char('0')));
        json.key(u"offset");
        json.number(std::int64_t(*drive.offset));
    } else if (!drive.partitionGuid.isEmpty()) {
        json.key(u"partitionGuid");
        json.text(drive.partitionGuid);
    } else {
        json.key(u"device");
        json.text(drive.device);
    }
    if (drive.partition > 0) {
        json.key(u"partition");
        json.number(drive.partition);
    }
    json.endObject();
}

void writeAdapter(JsonWriter& json, const inventory::Adapter& adapter)
{
    json.beginObject();
    json.key(u"adapter");
    json.text(adapter.adapter);
    json.key(u"dhcp");
    json.boolean(adapter.dhcp);
    const std::pair<const char16_t*, const QStringList&> lists[] = {
        {u"addresses", adapter.addresses},
        {u"masks", adapter.masks},
        {u"gateways", adapter.gateways},
        {u"dnsServers", adapter.dnsServers},
    };
    for (const auto& [name, list] : lists) {
        json.key(name);
        texts(json, list);
    }
    json.key(u"domain");
    textOrNull(json, adapter.domain);
    json.endObject();
}

void writeUser(JsonWriter& json, const inventory::User& user)
{
    json.beginObject();
    json.key(u"sid");
    json.text(user.sid);
    json.key(u"name");
    textOrNull(json, user.name);
    json.key(u"profile");
    textOrNull(json, user.profile);
    json.key(u"lastUsed");
    optionalText(json, user.lastUsed);
    json.endObject();
}

void writeApplication(JsonWriter& json, const inventory::Application& a)
{
    json.beginObject();
    const std::pair<const char16_t*, const QString&> fields[] = {
        {u"name", a.name},         {u"version", a.version},   {u"publisher", a.publisher},
        {u"installed", a.installed}, {u"location", a.location}, {u"scope", a.scope},
    };
    for (const auto& [name, value] : fields) {
        json.key(name);
        textOrNull(json, value);
    }
    json.endObject();
}

template <class T, class Write> void list(JsonWriter& json, const char16_t* name, const std::vector<T>& items, Write write)
{
    json.key(name);
    json.beginArray();
    for (const T& item : items) write(json, item);
    json.endArray();
}

}  // namespace

void writeInventory(JsonWriter& json, const std::optional<Inventory>& inventory)
{
    if (!inventory) {
        json.null();
        return;
    }
    json.beginObject();
    for (const auto& [name, field] : kTexts) {
        json.key(name);
        optionalText(json, (*inventory).*field);
    }
    json.key(u"timeZone");
    if (const auto& zone = inventory->timeZone) {
        json.beginObject();
        json.key(u"name");
        textOrNull(json, zone->name);
        json.key(u"biasMinutes");
        if (zone->biasMinutes)
            json.number(*zone->biasMinutes);
        else
            json.null();
        json.endObject();
    } else {
        json.null();
    }
    list(json, u"drives", inventory->drives, writeDrive);
    list(json, u"network", inventory->network, writeAdapter);
    list(json, u"users", inventory->users, writeUser);
    list(json, u"applications", inventory->applications, writeApplication);
    json.endObject();
}
