// What a screen reader reads for each control of the window.
#include "RunningProgram.h"
#include "window/FrmMain.h"
#include "window/FrmMainDesign.h"

#include <QAccessible>
#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

// As UTF-8, so that a failing comparison prints readable text.
std::string spokenName(QWidget* widget)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(QAccessible::Name).toStdString() : std::string();
}

std::vector<QWidget*> allControls(FrmMain& form)
{
    std::vector<QWidget*> controls;
    for (const ControlDesign& row : frmMainDesign())
        controls.push_back(form.findChild<QWidget*>(controlObjectName(row.name, row.index)));
    return controls;
}

// The text a sighted user sees on a control that has a caption; empty for the others.
QString visibleCaption(QWidget* widget)
{
    if (auto* label = qobject_cast<Label*>(widget))
        return label->caption();
    if (auto* frame = qobject_cast<Frame*>(widget))
        return frame->caption();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    return {};
}

TEST(AccessibleNames, NoControlIsNameless)
{
    RunningProgram program;
    FrmMain& form = program.window();
    EXPECT_EQ(spokenName(&form), "Tessera");
    const auto controls = allControls(form);
    ASSERT_EQ(controls.size(), 41u);
    for (QWidget* control : controls) {
        ASSERT_NE(control, nullptr);
        EXPECT_FALSE(QString::fromStdString(spokenName(control)).trimmed().isEmpty()) << control->objectName().toStdString();
    }
}

TEST(AccessibleNames, CaptionedControlsAreReadAsShownAlsoAfterCodeRewritesThem)
{
    RunningProgram program;
    FrmMain& form = program.window();
    for (QWidget* control : allControls(form)) {
        const QString caption = visibleCaption(control);
        if (!caption.isEmpty()) {
            EXPECT_EQ(spokenName(control), caption.toStdString()) << control->objectName().toStdString();
        }
    }
    // Rewritten at load and on every page visit.
    EXPECT_EQ(spokenName(&form.lblHeader(2)), "v0.0.8");
    EXPECT_EQ(spokenName(&form.lblHeader(3)), "by Oxa");
    program.clickTab(3);
    EXPECT_EQ(spokenName(&form.lblHeader(4)), "SPEICHER");
    program.clickTab(4);
    EXPECT_EQ(spokenName(&form.lblHeader(4)), "SOUND");
}

TEST(AccessibleNames, BoxesAreNamedByWhatNamesThemOnScreenNotByTheirContentOrFrame)
{
    RunningProgram program;
    FrmMain& form = program.window();
    EXPECT_EQ(spokenName(form.cmbIO), form.Label1->caption().toStdString());
    EXPECT_EQ(spokenName(form.cmbL2), form.Check1(9).text().toStdString());
    EXPECT_EQ(spokenName(&form.fmTab(0)), "Info");

    // Filling the pages changes what the boxes show, not what they are called.
    program.clickTab(4);
    std::set<std::string> soundNames;
    for (std::int16_t i = 0; i < form.tbSound.Count(); ++i) {
        const std::string name = spokenName(&form.tbSound(i));
        EXPECT_TRUE(name.starts_with("Gerätename ")) << name;
        soundNames.insert(name);
    }
    EXPECT_EQ(soundNames.size(), 11u);
    EXPECT_EQ(spokenName(&form.tbSound(8)), "Gerätename Telefon");
    EXPECT_EQ(spokenName(&form.tbSound(10)), "Gerätename Stereomixer");
    EXPECT_NE(spokenName(form.txtInfo), form.txtInfo->text().toStdString());

    // A control inside a frame must not borrow the frame's caption as its name.
    for (QWidget* control : allControls(form)) {
        QWidget* container = control->parentWidget();
        if (container != &form) {
            EXPECT_NE(spokenName(control), spokenName(container)) << control->objectName().toStdString();
        }
    }
}

}  // namespace
