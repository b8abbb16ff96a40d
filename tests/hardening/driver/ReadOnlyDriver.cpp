// The whole program as a person uses it once: start, a click on every tab,
// Abbrechen. Any message box is answered, so nothing waits for a person.
// Exits 0 only when Abbrechen ended the program.
#include "ModalBoxes.h"
#include "RunningProgram.h"
#include "window/FrmMain.h"

#include <QApplication>
#include <QTest>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ModalBoxes boxes;
    int exitCode = 1;
    {
        RunningProgram program;
        if (program.ended()) {
            std::fprintf(stderr, "the program ended while loading\n");
            return 2;
        }
        for (int tab : {2, 3, 4, 1})
            program.clickTab(tab);
        QTest::qWait(50);  // let anything the pages queued run
        program.window().cmdMain(1).click();
        if (program.ended())
            exitCode = 0;
        else
            std::fprintf(stderr, "Abbrechen did not end the program\n");
    }
    std::printf("boxes: %d\n", boxes.count());
    return exitCode;
}
