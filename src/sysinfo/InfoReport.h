#pragma once

#include "sysinfo/SystemInfo.h"

#include <QString>
#include <QStringList>

// The 27-line text of the Info page, CR LF line ends, values inserted as the
// record holds them.
QString BuildInfoReport(const SystemInfo& info);

// The labels followed by one TAB and those followed by two, as the report
// writes them (for measuring the tab stops).
QStringList infoLabelsWithTabs(int tabs);
