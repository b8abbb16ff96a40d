#include "sound/ShowSoundPage.h"

#include "sound/Sound.h"
#include "window/FrmMain.h"

void ShowSoundPage(const shell::MachineRef& machine)
{
    FrmMain& form = frmMain();
    form.lblHeader(4).setCaption(QStringLiteral("SOUND"));
    const Sound sound(machine);
    // Box by box; the mixers stand in the last two boxes, mono before stereo.
    const QString Sound::*const boxes[] = {&Sound::Alle, &Sound::Wave,     &Sound::Micro,   &Sound::LineIn,
                                           &Sound::CD,   &Sound::Aux,      &Sound::MIDI,    &Sound::WaveSynth,
                                           &Sound::Telefon, &Sound::Monomixer, &Sound::Stereomixer};
    for (std::int16_t i = 0; i <= 10; ++i)
        form.tbSound(i).setText(sound.*boxes[i]);
}
