#pragma once

// Shows the names of the audio device categories on the Sound page.
void ShowSoundPage();
