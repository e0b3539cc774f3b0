// The program's entry point: start-up, then the message loop until the last window
// has closed or the program is ended.

#include "forms_runtime_win.h"
#include "modQuotes_win.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        quotidia::modQuotes::Main();
    } catch (...) {
        // The main window loads here, outside any window procedure: any failure of its
        // Form_Load ends the program with the same report as one in an event handler.
        quotidia::forms::reportCurrentExceptionAndEnd();
    }
    return quotidia::forms::runMessageLoop();
}
