#include "app/SourceNotices.h"

#include "app/SourceBoxes.h"
#include "shell/RegistrySources.h"
#include "window/FrmMain.h"

void reportSourceNotices()
{
    for (const runtime::RuntimeError& notice : shell::takeSourceNotices())
        showSourceNotice(notice.description(), notice.details(), frmMainExists() ? &frmMain() : nullptr);
}
