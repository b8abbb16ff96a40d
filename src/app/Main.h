#pragma once

// The program's start: sets the tool tip (which creates and loads the window)
// and shows the window.
void Main();
