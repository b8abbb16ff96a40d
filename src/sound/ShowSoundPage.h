#pragma once

#include "shell/Machine.h"

// Shows the names of the audio device categories of the machine shown on the Sound page.
void ShowSoundPage(const shell::MachineRef& machine);
