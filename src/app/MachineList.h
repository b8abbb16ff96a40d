#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// A machine to open, as the user named it.
struct NamedMachine {
    std::optional<QStringList> sources;  // nothing: this machine
    QString source;  // how output names it: the path as given; the parts of one machine joined by ":"
};

// The machines the sources named stand for (see shell::machinesNamed), in
// order; this machine alone when none are named.
std::vector<NamedMachine> machinesToShow();

// The same for an inventory of many, where a folder that holds machines
// stands for each of them (see shell::eachMachineIn).
std::vector<NamedMachine> machinesToList();
