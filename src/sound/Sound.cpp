#include "sound/Sound.h"

#include "shell/WshShell.h"

namespace {

struct Category {
    const char16_t* key;
    QString Sound::*name;
};

// In reading order, which is neither the order of the names nor of the boxes.
const Category kCategories[] = {
    {u"{185FEDE3-9905-11D1-95A9-00C04FB925D3}", &Sound::Alle},
    {u"{DFF21FE4-F70F-11D0-B917-00A0C9223196}", &Sound::Wave},
    {u"{185FEDED-9905-11D1-95A9-00C04FB925D3}", &Sound::Micro},
    {u"{62D35A12-E42B-11D1-B073-00608CCBD2F1}", &Sound::Telefon},
    {u"{62D35A14-E42B-11D1-B073-00608CCBD2F1}", &Sound::LineIn},
    {u"{62D35A15-E42B-11D1-B073-00608CCBD2F1}", &Sound::CD},
    {u"{62D35A16-E42B-11D1-B073-00608CCBD2F1}", &Sound::MIDI},
    {u"{62D35A17-E42B-11D1-B073-00608CCBD2F1}", &Sound::Aux},
    {u"{62D35A18-E42B-11D1-B073-00608CCBD2F1}", &Sound::WaveSynth},
    {u"{62D35A19-E42B-11D1-B073-00608CCBD2F1}", &Sound::Stereomixer},
    {u"{62D35A1A-E42B-11D1-B073-00608CCBD2F1}", &Sound::Monomixer},
};

}  // namespace

Sound::Sound(const shell::MachineRef& machine)
{
    ReadAll(machine);
}

void Sound::ReadAll(const shell::MachineRef& machine)
{
    const auto shell = shell::CreateObject(QStringLiteral("Wscript.Shell"), machine);
    // The fixed control set, not the CurrentControlSet alias.
    const QString base = QStringLiteral("HKLM\\SYSTEM\\ControlSet001\\Control\\MediaCategories\\");
    for (const Category& category : kCategories)
        this->*category.name =
            runtime::toText(shell->RegRead(base + QString::fromUtf16(category.key) + QStringLiteral("\\Name")));
}
