#pragma once

#include <QElapsedTimer>

// The clock of one timed start, begun before the application object exists.
// With "--phases" as the first argument, every mark prints a
// "phase <name> <ms> <s>" line to stderr: milliseconds since the clock began
// (in main, after the libraries were loaded), and the monotonic clock in seconds.
class StartClock {
public:
    StartClock(int argc, char* argv[]);
    void mark(const char* phase) const;

    // Leaves the event loop once a window's first frame has been painted: the
    // quit is queued from the first paint event a top-level widget receives, so
    // it runs after that paint has been flushed. Call before the window is
    // shown, with the application object alive; it watches the whole application.
    void quitAfterFirstFrame() const;

private:
    QElapsedTimer clock_;
    bool phases_;
};
