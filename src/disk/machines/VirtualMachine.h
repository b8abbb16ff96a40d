#pragma once

#include "disk/containers/Containers.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace disk {

// A virtual machine as its hypervisor keeps it, standing for its disks in
// their current state: a VirtualBox .vbox (the hard disks attached to its
// storage controllers, outside its snapshots, resolved through its media
// registry), a VMware .vmx (its disks' files, which name the newest
// snapshot), a folder holding one of these, or a folder of disks such as
// Hyper-V's "Virtual Hard Disks" or a folder of images (raw, E01: each
// chain's top, the file that no other file there names as its parent, extent
// or piece).
struct VirtualMachine {
    QString kind;       // "VirtualBox", "VMware", "Hyper-V", or "Ordner" for a folder of disks
    QString config;     // the configuration file read, or the folder of disks
    QStringList disks;  // in the machine's order: its first controller's first disk first
    ChainHints hints;   // the disk files its configuration names, where parents may be
};

// Nothing when `path` is no virtual machine: a file that is no .vbox or
// .vmx, a folder holding neither nor any disk. A configuration that cannot
// be read, or names no disk, fails with a German RuntimeError naming it.
// A folder holding several configurations is no one machine: see machinesIn.
std::optional<VirtualMachine> virtualMachineAt(const QString& path);

// The machines a folder holds when it is none itself: each .vbox or .vmx in
// it, where there are several, else each folder in it that is a machine
// (VirtualBox's "VirtualBox VMs", a folder of VMware or Hyper-V machines).
// Empty when it holds none.
QStringList machinesIn(const QString& folder);

}  // namespace disk
