// The Win32 tests' entry point: the process is per-monitor DPI aware like the program,
// and a machine the tests cannot judge on stops them with one line saying why.

#include "wine_test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    testing::InitGoogleTest(&argc, argv);
    if (const auto problem = quotidia::testing::testEnvironmentProblem()) {
        std::fprintf(stderr, "%s\n", problem->c_str());
        return 1;
    }
    return RUN_ALL_TESTS();
}
