#include "memory/ShowMemoryPage.h"

#include "memory/Mem.h"
#include "window/FrmMain.h"

void ShowMemoryPage(const shell::MachineRef& machine)
{
    FrmMain& form = frmMain();
    form.lblHeader(4).setCaption(QStringLiteral("SPEICHER"));
    // Read once, before any control changes. Each assignment that changes a
    // box runs Check1_Click nested inside it.
    const Mem mem(machine);
    form.Check1(0).setValue(mem.ClearPageFileAtShutdown);
    form.Check1(1).setValue(mem.DisablePagingExecutive);
    form.cmbIO->setText(QString::number(mem.IoPageLockLimit));
    form.Check1(3).setValue(mem.LargeSystemCache);
    if (mem.SecondLevelDataCache >= 1) {
        form.Check1(9).setValue(1);
        form.cmbL2->setText(QString::number(mem.SecondLevelDataCache));
    } else {
        form.Check1(9).setValue(0);
        form.cmbL2->setText(QStringLiteral("Default"));
    }
}

void Check1_Click(std::int16_t)
{
    FrmMain& form = frmMain();
    if (form.Check1(9).value() == 0) {
        form.cmbL2->setEnabled(false);
        form.cmbL2->setText(QStringLiteral("Default"));
    } else {
        form.cmbL2->setEnabled(true);
        form.cmbL2->setText(QStringLiteral("128"));
    }
}
