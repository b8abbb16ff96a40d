#pragma once

#include "app/JsonWriter.h"
#include "shell/Machine.h"

#include <QByteArray>
#include <QString>

// What --json prints of one machine: the Info record after one collection
// (a record of its own) with its report, the Speicher and Sound readers'
// values (or the error that kept each from being created), which Windows it
// is, and the sources read; `source`, when given, first (as --jsonl names each
// machine).
void writeMachineReport(JsonWriter& json, const shell::MachineRef& machine, const QString& source);
QByteArray jsonReport(const shell::MachineRef& machine);
