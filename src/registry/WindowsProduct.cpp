#include "registry/WindowsProduct.h"

#include <QStringList>

namespace registry {

namespace {

// The first build of Windows 11.
constexpr int kWindows11Build = 22000;

QString firstOf(const CurrentVersionValue& value, std::initializer_list<QStringView> names)
{
    for (QStringView name : names)
        if (QString text = value(name).trimmed(); !text.isEmpty()) return text;
    return {};
}

}  // namespace

QString WindowsProduct::inWords() const
{
    QStringList words{name};
    if (!displayVersion.isEmpty()) words << displayVersion;
    else if (!servicePack.isEmpty()) words << servicePack;
    return words.join(u' ');
}

std::optional<WindowsProduct> windowsProduct(const CurrentVersionValue& value)
{
    WindowsProduct product;
    product.name = firstOf(value, {u"ProductName"});
    if (product.name.isEmpty()) return std::nullopt;
    product.edition = firstOf(value, {u"EditionID"});
    product.displayVersion = firstOf(value, {u"DisplayVersion", u"ReleaseId"});
    product.servicePack = firstOf(value, {u"CSDVersion"});
    product.build = firstOf(value, {u"CurrentBuildNumber", u"CurrentBuild"});
    bool numeric = false;
    const int build = product.build.toInt(&numeric);
    static const QString ten = QStringLiteral("Windows 10");
    if (numeric && build >= kWindows11Build && product.name.startsWith(ten)
        && (product.name.size() == ten.size() || product.name[ten.size()] == u' '))
        product.name.replace(0, ten.size(), QStringLiteral("Windows 11"));
    return product;
}

}  // namespace registry
