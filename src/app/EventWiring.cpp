#include "app/Handlers.h"

#include "app/End.h"
#include "app/MachineShown.h"
#include "app/SourceNotices.h"
#include "app/RuntimeErrorBox.h"
#include "memory/ShowMemoryPage.h"
#include "window/FrmMain.h"

#include <exception>
#include <utility>

namespace {

// The one error boundary of every event: the error box, and the program goes on.
template <class F> void guarded(F&& handler)
{
    try {
        handler();
    } catch (const runtime::RuntimeError& error) {
        ShowRuntimeError(error);
    } catch (const std::exception& error) {
        ShowRuntimeError(runtime::RuntimeError(
            51, QStringLiteral("Interner Fehler: %1").arg(QString::fromLocal8Bit(error.what()))));
    }
}

// A click's handler, then what the shell has to tell of its sources; a click raised
// inside another (a check box that code changes) leaves the telling to the outer one.
template <class F> void clicked(F&& handler)
{
    static int depth = 0;
    ++depth;
    guarded(std::forward<F>(handler));
    if (--depth == 0) reportSourceNotices();
}

void connectEvents(FrmMain& form)
{
    QObject::connect(form.tabMain, &TabStrip::Click, &form, [] { clicked(tabMain_Click); });
    for (std::int16_t i : form.Check1.indices())
        QObject::connect(&form.Check1(i), &CheckBox::Click, &form, [i] { clicked([i] { Check1_Click(i); }); });
    for (std::int16_t i : form.cmdMain.indices())
        QObject::connect(&form.cmdMain(i), &CommandButton::Click, &form, [i] { clicked([i] { cmdMain_Click(i); }); });
    // Another machine dropped on the window: the page shown is read again, as a click on its tab reads it.
    QObject::connect(&form, &FrmMain::FilesDropped, &form, [](const QStringList& files) {
        bool opened = false;
        guarded([&] { opened = openDroppedSources(files); });
        if (opened) {
            reportSourceNotices();
            clicked(tabMain_Click);
        }
    });
    // Closing the window with its title-bar button ends the program as well.
    QObject::connect(&form, &QDialog::rejected, &form, [] { End(); });
}

}  // namespace

void installEventHandlers()
{
    setFrmMainLoadHandler([](FrmMain& form) {
        connectEvents(form);
        // An error while loading ends the program after the box.
        bool failed = true;
        guarded([&] {
            Form_Load();
            failed = false;
        });
        if (failed)
            End(1);
    });
}
