#pragma once
// What the forms runtime's files share among themselves and show no window of the program.

#include "forms_runtime_win.h"

#include <windows.h>

namespace quotidia::forms {

// The program's module, which owns the window classes and the resources.
HINSTANCE instance();

// The system's colours that high contrast draws in.
SystemColours systemColours();

// Ctrl+C and Ctrl+Insert, turned into the copy command for the form that has the focus.
HACCEL copyAccelerators();

} // namespace quotidia::forms
