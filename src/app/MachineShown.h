#pragma once

#include <QStringList>

class FrmMain;

// Opens the sources named before the window loads, asking in dialogs what
// they need. False when the program ends instead: the user cancelled a
// question (as Abbrechen ends it), or a source cannot be shown (a critical
// box, exit code 1). True at once for this machine.
bool openNamedSourcesAtStart();

// The caption and the screen readers' description name the machine shown.
void showMachineInCaption(FrmMain& form);

// Another machine's files dropped on the window replace the sources, with
// what they need asked; true when they are shown now. A drop that cannot be
// shown (or whose question is cancelled) leaves the machine shown as it was,
// and says why. Files of several machines open each further one in a
// window of its own.
bool openDroppedSources(const QStringList& files);
