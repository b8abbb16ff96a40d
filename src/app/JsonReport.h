#pragma once

#include <QByteArray>

// What --json prints: the Info record after one collection with its report,
// the Speicher and Sound readers' values (or the error that kept each from
// being created) and the sources read. Fails like the collection when a named
// source cannot be read.
QByteArray jsonReport();
