#pragma once

#include "shell/Machine.h"

#include <QString>
#include <QStringList>

// What the window's caption says of the machine shown: "Tessera" for this
// machine; "Tessera – " and, short, what the user named for another: each
// source's file or folder name, an installation's partition on its disk and
// which Windows it is ("Tessera – win10.qcow2, Partition 3, Windows 10 Pro
// 22H2"), "(älterer Stand)" after it while a hive shows an older state than
// Windows left.
QString machineCaption(const QStringList& named, const shell::Machine& shown);

// The same with every source's full path, for screen readers; empty for this machine.
QString machineDescription(const QStringList& named, const shell::Machine& shown);
