#pragma once

#include "shell/Machine.h"

#include <QString>

// The display names of eleven audio device categories, read from the machine's
// registry when the object is created; a failed read means no object.
class Sound {
public:
    explicit Sound(const shell::MachineRef& machine);

    QString Alle;
    QString Wave;
    QString Micro;
    QString LineIn;
    QString CD;
    QString Aux;
    QString MIDI;
    QString WaveSynth;
    QString Telefon;
    QString Stereomixer;
    QString Monomixer;

    // Reads the names in their reading order, each stored before the next is read.
    void ReadAll(const shell::MachineRef& machine);
};
