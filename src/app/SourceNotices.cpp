#include "app/SourceNotices.h"

#include "app/ShownSources.h"
#include "app/SourceBoxes.h"
#include "window/FrmMain.h"

#include <set>

namespace {

std::set<QString> g_told;  // each notice is told once a run

}  // namespace

void reportSourceNotices()
{
    shell::MachineRef machine;
    try {
        machine = shownMachine();
    } catch (const std::exception&) {
        return;  // what failed was told where it failed
    }
    for (const runtime::RuntimeError& notice : machine->notices())
        if (g_told.insert(notice.description()).second)
            showSourceNotice(notice.description(), notice.details(), frmMainExists() ? &frmMain() : nullptr);
}
