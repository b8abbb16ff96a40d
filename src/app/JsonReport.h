#pragma once

#include "app/JsonWriter.h"
#include "runtime/RuntimeError.h"
#include "shell/Machine.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// What --json prints of one machine: the Info record after one collection
// (a record of its own) with its report, the Speicher and Sound readers'
// values (or the error that kept each from being created), which Windows it
// is, its inventory, and the sources read; `source`, when given, first (as
// --jsonl names each machine). Gives the inventory's warnings, for stderr.
QStringList writeMachineReport(JsonWriter& json, const shell::MachineRef& machine, const QString& source);

// A machine that could not be opened, as --json's array and --jsonl list it:
// its source and the error ("details": what a library said, where it did).
void writeMachineFailure(JsonWriter& json, const QString& source, const runtime::RuntimeError& error);
