#pragma once

class FrmMain;

// The real program, started in-process: the constructor runs Main() as the
// program's own start does (fonts, style, tool tip, load, show), offscreen;
// the destructor unloads the window so the next test starts afresh.
class RunningProgram {
public:
    RunningProgram();
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    FrmMain& window() const;
    // A real mouse click on tab n (1 "Info" ... 4 "Sound").
    void clickTab(int oneBasedIndex) const;
    // Whether the program has ended (Abbrechen, Esc, an error at start-up).
    bool ended() const;
};
