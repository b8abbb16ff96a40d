// Which Windows an installation is, from the values of its CurrentVersion key.
#include "registry/WindowsProduct.h"

#include <QHash>

#include <gtest/gtest.h>

namespace {

std::optional<registry::WindowsProduct> productOf(const QHash<QString, QString>& values)
{
    return registry::windowsProduct([&](QStringView name) { return values.value(name.toString()); });
}

}  // namespace

TEST(WindowsProduct, Windows11IsNamedByItsBuildThoughItsProductNameSays10)
{
    const auto eleven = productOf({{"ProductName", "Windows 10 Pro"}, {"EditionID", "Professional"},
                                   {"DisplayVersion", "23H2"}, {"CurrentBuildNumber", "22631"}});
    ASSERT_TRUE(eleven);
    EXPECT_EQ(eleven->name, QStringLiteral("Windows 11 Pro"));
    EXPECT_EQ(eleven->edition, QStringLiteral("Professional"));
    EXPECT_EQ(eleven->build, QStringLiteral("22631"));
    EXPECT_EQ(eleven->inWords(), QStringLiteral("Windows 11 Pro 23H2"));
    // The first build of 11, the last of 10, and names that only begin alike.
    EXPECT_EQ(productOf({{"ProductName", "Windows 10 Home"}, {"CurrentBuild", "22000"}})->name,
              QStringLiteral("Windows 11 Home"));
    EXPECT_EQ(productOf({{"ProductName", "Windows 10 Home"}, {"CurrentBuildNumber", "19045"}})->name,
              QStringLiteral("Windows 10 Home"));
    EXPECT_EQ(productOf({{"ProductName", "Windows 100"}, {"CurrentBuildNumber", "22631"}})->name,
              QStringLiteral("Windows 100"));
    EXPECT_EQ(productOf({{"ProductName", "Windows Server 2022 Datacenter"}, {"CurrentBuildNumber", "20348"}})->name,
              QStringLiteral("Windows Server 2022 Datacenter"));
    EXPECT_EQ(productOf({{"ProductName", "Windows 10 Pro"}, {"CurrentBuildNumber", "2263x"}})->name,
              QStringLiteral("Windows 10 Pro"));
}

TEST(WindowsProduct, OlderVersionsAreNamedByReleaseOrServicePack)
{
    EXPECT_EQ(productOf({{"ProductName", "Windows 10 Pro"}, {"ReleaseId", "1909"}, {"CurrentBuildNumber", "18363"}})
                  ->inWords(),
              QStringLiteral("Windows 10 Pro 1909"));
    EXPECT_EQ(productOf({{"ProductName", "Windows 7 Professional"}, {"CSDVersion", "Service Pack 1"}})->inWords(),
              QStringLiteral("Windows 7 Professional Service Pack 1"));
    EXPECT_EQ(productOf({{"ProductName", "  Microsoft Windows 2000 "}})->inWords(), QStringLiteral("Microsoft Windows 2000"));
    EXPECT_FALSE(productOf({{"CurrentBuildNumber", "22631"}}));
    EXPECT_FALSE(productOf({{"ProductName", "   "}}));
}
