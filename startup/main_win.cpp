// The program's entry point: start-up, then the message loop until the last window
// has closed or the program is ended.

#include "forms_runtime_win.h"
#include "modQuotes_win.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        quotidia::modQuotes::Main();
    } catch (const quotidia::forms::FormsError& error) {
        quotidia::forms::reportErrorAndEnd(error.message());
    }
    return quotidia::forms::runMessageLoop();
}
