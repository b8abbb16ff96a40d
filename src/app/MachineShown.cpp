#include "app/MachineShown.h"

#include "app/CommandLine.h"
#include "app/End.h"
#include "app/FurtherWindows.h"
#include "app/MachineCaption.h"
#include "app/ShownSources.h"
#include "app/SourceBoxes.h"
#include "app/SourceQuestions.h"
#include "sysinfo/SystemInfo.h"
#include "window/FrmMain.h"

#include <optional>

namespace {

shell::MachineRef g_shown;  // the machine the sources named, when last opened

}  // namespace

bool openNamedSourcesAtStart()
{
    if (!namedSources()) return true;
    OpenedSources opened = openSourcesAsking(nullptr);
    switch (opened.outcome) {
    case OpenedSources::Outcome::Opened: g_shown = std::move(opened.shown); return true;
    case OpenedSources::Outcome::Cancelled: End(); return false;
    case OpenedSources::Outcome::Failed: break;
    }
    showSourceFailure(opened.error->description(), opened.error->details());
    End(ExitCode::Failed);
    return false;
}

void showMachineInCaption(FrmMain& form)
{
    const QStringList named = namedSources().value_or(QStringList());
    form.setWindowTitle(g_shown ? machineCaption(named, *g_shown) : QStringLiteral("Tessera"));
    form.setAccessibleDescription(g_shown ? machineDescription(named, *g_shown) : QString());
}

bool openDroppedSources(const QStringList& files)
{
    FrmMain& form = frmMain();
    const std::optional<QStringList> before = namedSources();
    // Several machines dropped: this window shows the first, further windows the others.
    setNamedSources(openFurtherWindows(files));
    OpenedSources opened = openSourcesAsking(&form);
    switch (opened.outcome) {
    case OpenedSources::Outcome::Opened:
        // Nothing collected from the machine shown before stays: a fact the
        // new one lacks shows as at a first collection.
        Variablen::SysInfo = SystemInfo{};
        form.restoreDesignValues();
        g_shown = std::move(opened.shown);
        showMachineInCaption(form);
        return true;
    case OpenedSources::Outcome::Cancelled: break;
    case OpenedSources::Outcome::Failed:
        showSourceFailure(QStringLiteral("%1\n\nTessera zeigt weiter, was es zeigte.").arg(opened.error->description()),
                          opened.error->details(),
                          &form);
        break;
    }
    setNamedSources(before);
    return false;
}
