#pragma once

#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

namespace registry {

// Which Windows an installation is, as its SOFTWARE says under
// Microsoft\Windows NT\CurrentVersion.
struct WindowsProduct {
    QString name;            // "Windows 11 Pro": ProductName, named 11 from build 22000 on
    QString edition;         // EditionID: "Professional"
    QString displayVersion;  // DisplayVersion ("23H2"), else ReleaseId ("1909"); empty before Windows 10
    QString servicePack;     // CSDVersion: "Service Pack 1"
    QString build;           // CurrentBuildNumber, else CurrentBuild: "22631"

    // "Windows 11 Pro 23H2", "Windows 7 Professional Service Pack 1".
    QString inWords() const;
};

// A value of that key as text, or a null string where it is missing.
using CurrentVersionValue = std::function<QString(QStringView valueName)>;

// Nothing when the installation names no product. Windows 11 keeps
// "Windows 10" in its ProductName; it is named by its build instead.
std::optional<WindowsProduct> windowsProduct(const CurrentVersionValue& value);

// The key, relative to HKLM.
inline constexpr QStringView kCurrentVersionKey = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

}  // namespace registry
