#pragma once

#include "runtime/RuntimeError.h"
#include "shell/Machine.h"

#include <optional>

class QWidget;

// The sources named, opened for the window: what they need from the user
// (one of several installations, a BitLocker secret, a missing parent image)
// is asked in dialogs over `parent` until they open, the user cancels, or
// they fail for another reason.
struct OpenedSources {
    enum class Outcome { Opened, Cancelled, Failed };
    Outcome outcome = Outcome::Opened;
    shell::MachineRef shown;                    // when opened
    std::optional<runtime::RuntimeError> error;  // when failed
};
OpenedSources openSourcesAsking(QWidget* parent);
