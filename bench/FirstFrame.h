#pragma once

class QElapsedTimer;

// Leaves the event loop once a window's first frame has been painted: the
// quit is queued from the first paint event a top-level widget receives, so
// it runs after that paint has been flushed. Install before the window is
// shown; it watches the whole application. With phases set,
// prints the milliseconds of each mark since the timer started to stderr as
// "phase <name> <ms>" lines.
void quitAfterFirstFrame(const QElapsedTimer& clock, bool phases);

// One "phase <name> <ms>" line, when phases are wanted.
void markPhase(const char* name, const QElapsedTimer& clock, bool phases);
