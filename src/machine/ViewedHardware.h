#pragma once

#include "registry/text/RegistryTree.h"

#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

namespace machine {

// A text value of the viewed machine, or nothing.
using TextLookup = std::function<std::optional<QString>(QStringView keyPath, QStringView valueName)>;

// HKLM\HARDWARE\DESCRIPTION\System of another machine, as far as its hives
// tell it: Windows builds that key at every boot and keeps it in no hive. The
// processor vendor is the text after the last ", " of PROCESSOR_IDENTIFIER;
// the firmware date and version come from SYSTEM\HardwareConfig\<LastConfig>,
// else from CurrentControlSet\Control\SystemInformation. The clock, the
// system identifier and the video firmware are in no hive and stay out.
registry::RegistryTree viewedHardware(const TextLookup& text);

}  // namespace machine
