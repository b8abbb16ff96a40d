#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace shell {

// The machines that named sources stand for, in the order named. Hive files
// and registry texts (exports, a Wine prefix's files) named together are the
// parts of one machine, which stands where its first part was named; each
// disk image, device, virtual machine, folder (an installation, a Wine
// prefix) and anything else is a machine of its own.
std::vector<QStringList> machinesNamed(const QStringList& sources);

// The machines a source stands for in an inventory of many: a folder that
// holds several and is none itself (VirtualBox's "VirtualBox VMs", a folder
// of VMware or Hyper-V machines, a folder of disk images) stands for each of
// them; anything else for itself.
QStringList eachMachineIn(const QString& source);

}  // namespace shell
