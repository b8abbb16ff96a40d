// The window as created and loaded: controls, arrays, geometry, captions, fonts, stacking.
#include "RunningProgram.h"
#include "window/FrmMain.h"
#include "window/FrmMainDesign.h"

#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <gtest/gtest.h>

namespace {

TEST(WindowDesign, HasFortyOneControlsUnderFourteenNames)
{
    RunningProgram program;
    FrmMain& form = program.window();
    QSet<QString> names;
    int controls = 0;
    for (const ControlDesign& row : frmMainDesign()) {
        const QString objectName = controlObjectName(row.name, row.index);
        EXPECT_NE(form.findChild<QWidget*>(objectName), nullptr) << objectName.toStdString();
        names.insert(QString::fromLatin1(row.name));
        ++controls;
    }
    EXPECT_EQ(controls, 41);
    EXPECT_EQ(names.size(), 14);
}

TEST(WindowDesign, Check1HasNoIndexTwo)
{
    RunningProgram program;
    FrmMain& form = program.window();
    EXPECT_EQ(form.Check1.indices(), (std::vector<std::int16_t>{0, 1, 3, 4, 5, 6, 7, 8, 9}));
    try {
        form.Check1(2);
        FAIL() << "Check1(2) must not exist";
    } catch (const runtime::RuntimeError& error) {
        EXPECT_EQ(error.number(), 340);
    }
    EXPECT_EQ(form.fmTab.Count(), 4);
    EXPECT_EQ(form.tbSound.Count(), 11);
    EXPECT_EQ(form.Check1(9).objectName(), QStringLiteral("Check1(9)"));
    EXPECT_EQ(form.cmbL2->objectName(), QStringLiteral("cmbL2"));
}

TEST(WindowDesign, LoadLaysOutTheWindowFromItsClientWidth)
{
    RunningProgram program;
    FrmMain& form = program.window();
    EXPECT_EQ(form.width(), 506);
    EXPECT_EQ(form.height(), 519);
    EXPECT_EQ(form.shHeader->geometry(), QRect(0, 0, 456, 50));
    EXPECT_EQ(form.imgHeader->pos(), QPoint(456, 0));
    EXPECT_EQ(form.tabMain->geometry(), QRect(0, 50, 506, 429));
    for (std::int16_t i = 0; i < 4; ++i)
        EXPECT_EQ(form.fmTab(i).geometry(), QRect(8, 88, 491, 384));
    EXPECT_EQ(form.cmdMain(2).geometry(), QRect(208, 488, 89, 25));
    EXPECT_EQ(form.Check1(4).geometry(), QRect(8, 224, 257, 25));
    EXPECT_EQ(form.tbSound(10).geometry(), QRect(16, 312, 161, 21));
}

// The pictures the window compiles in are, pixel for pixel, the artwork files
// (the GIF header picture, the PNG icons that are also installed).
TEST(WindowDesign, PicturesAreTheArtworkFiles)
{
    RunningProgram program;
    FrmMain& form = program.window();
    auto same = [](const QImage& shown, const QString& file) {
        const QImage art(QStringLiteral(TESSERA_PICTURES "/") + file);
        return !art.isNull() && shown.convertToFormat(QImage::Format_ARGB32) == art.convertToFormat(QImage::Format_ARGB32);
    };
    EXPECT_TRUE(same(form.imgHeader->pixmap().toImage(), QStringLiteral("header.gif")));
    const QIcon icon = form.windowIcon();
    EXPECT_EQ(icon.availableSizes().size(), 5);
    for (int size : {16, 32, 48, 64, 72})
        EXPECT_TRUE(same(icon.pixmap(size, size).toImage(), QStringLiteral("icons/tessera-%1.png").arg(size))) << size;
}

TEST(WindowDesign, CaptionsFontsAndColours)
{
    RunningProgram program;
    FrmMain& form = program.window();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Tessera"));
    EXPECT_EQ(form.lblHeader(1).caption(), QStringLiteral("für Microsoft Windows 2000"));
    EXPECT_EQ(form.lblHeader(2).caption(), QStringLiteral("v0.0.8"));
    EXPECT_EQ(form.lblHeader(3).caption(), QStringLiteral("by Oxa"));
    EXPECT_EQ(form.cmdMain(0).text(), QStringLiteral("Übernehmen"));
    EXPECT_EQ(form.Frame2->caption(), QStringLiteral("Gerätenamen"));
    EXPECT_EQ(form.lblHeader(4).font().pixelSize(), 35);
    EXPECT_TRUE(form.lblHeader(4).font().bold());
    EXPECT_EQ(form.lblHeader(4).palette().color(QPalette::WindowText), QColor(0x3A, 0x6E, 0xA5));
    EXPECT_EQ(form.lblHeader(0).palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(form.Check1(0).font().pixelSize(), 11);
    EXPECT_EQ(form.cmbIO->font().pixelSize(), 12);
    EXPECT_EQ(form.font().family(), QStringLiteral("Tahoma"));
    EXPECT_EQ(form.txtInfo->palette().color(QPalette::Base), form.palette().color(QPalette::ToolTipBase));
    EXPECT_EQ(form.Check1(0).toolTip(),
              QStringLiteral("Dieses Sicherheitseinstellung leert die Auslagerungsdatei beim herunterfahren"));
}

// fontconfig does not index the Tahoma of fonts-wine; the window adds it, so
// the family it asks for is the family it gets, bold included.
TEST(WindowDesign, TahomaIsTheFontDrawnWhereFontsWineIsInstalled)
{
    if (!QFile::exists(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf")))
        GTEST_SKIP() << "fonts-wine is not installed";
    RunningProgram program;
    FrmMain& form = program.window();
    for (QWidget* widget : std::initializer_list<QWidget*>{&form, &form.lblHeader(0), &form.lblHeader(4), &form.Check1(0),
                                                           form.cmbIO, &form.tbSound(0)}) {
        const QFontInfo drawn(widget->font());
        EXPECT_EQ(drawn.family(), QStringLiteral("Tahoma")) << widget->objectName().toStdString();
        EXPECT_EQ(drawn.bold(), widget->font().bold()) << widget->objectName().toStdString();
    }
}

TEST(WindowDesign, ComboListsAndContainment)
{
    RunningProgram program;
    FrmMain& form = program.window();
    ASSERT_EQ(form.cmbIO->count(), 32);
    EXPECT_EQ(form.cmbIO->itemText(0), QStringLiteral("512"));
    EXPECT_EQ(form.cmbIO->itemText(31), QStringLiteral("16384"));
    EXPECT_EQ(form.cmbIO->itemData(5).toInt(), 0);
    ASSERT_EQ(form.cmbL2->count(), 6);
    EXPECT_EQ(form.cmbL2->itemText(5), QStringLiteral("4096"));
    EXPECT_EQ(form.cmbIO->text(), QString());
    form.cmbL2->setText(QStringLiteral("Default"));
    EXPECT_EQ(form.cmbL2->text(), QStringLiteral("Default"));

    EXPECT_EQ(form.Check1(0).parentWidget(), form.Frame1);
    EXPECT_EQ(form.Frame1->parentWidget(), &form.fmTab(2));
    EXPECT_EQ(form.tbSound(0).parentWidget(), form.Frame2);
    EXPECT_EQ(form.txtInfo->parentWidget(), &form.fmTab(0));
    // Page frames and buttons above the tab strip, header labels above the band.
    const QObjectList& children = form.children();
    auto stackIndex = [&](QWidget* w) { return children.indexOf(w); };
    EXPECT_GT(stackIndex(&form.fmTab(0)), stackIndex(form.tabMain));
    EXPECT_GT(stackIndex(&form.cmdMain(2)), stackIndex(form.tabMain));
    EXPECT_GT(stackIndex(&form.lblHeader(4)), stackIndex(form.shHeader));
}

}  // namespace
