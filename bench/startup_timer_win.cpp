// Times how long Windows programs take from their start until their first top-level
// window is visible, and prints the median and the extremes for each.
//   startup_timer_win RUNS COMMAND-LINE...
// The programs take turns, run after run, so that a busy machine slows each alike. Each
// run starts the program, polls for its window, then ends the program.

#include "unique_handles_win.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct WindowSearch {
    DWORD processId = 0;
    bool found = false;
};

BOOL CALLBACK findVisibleWindow(HWND window, LPARAM searchAddress) {
    auto* search = reinterpret_cast<WindowSearch*>(searchAddress);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window) &&
        GetWindow(window, GW_OWNER) == nullptr) {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

double secondsSince(LARGE_INTEGER start, LARGE_INTEGER frequency) {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// Milliseconds until the program's window is visible; a negative value when it never was.
double timeOneStart(std::wstring commandLine, LARGE_INTEGER frequency) {
    constexpr double kGiveUpSeconds = 60.0;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    LARGE_INTEGER start{};
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return -1.0;
    }
    const quotidia::UniqueHandle processHandle(process.hProcess);
    const quotidia::UniqueHandle threadHandle(process.hThread);
    WindowSearch search{process.dwProcessId, false};
    double elapsed = 0.0;
    while (!search.found && (elapsed = secondsSince(start, frequency)) < kGiveUpSeconds) {
        EnumWindows(findVisibleWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.found) {
            Sleep(1);
        }
    }
    TerminateProcess(processHandle.get(), 0);
    WaitForSingleObject(processHandle.get(), INFINITE);
    return search.found ? elapsed * 1000.0 : -1.0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fputs("usage: startup_timer_win RUNS COMMAND-LINE...\n", stderr);
        return 2;
    }
    const int runs = std::max(1, static_cast<int>(std::wcstol(argv[1], nullptr, 10)));
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    const std::vector<std::wstring> commandLines(argv + 2, argv + argc);
    std::vector<std::vector<double>> times(commandLines.size());
    for (int run = 0; run < runs; ++run) {
        for (std::size_t program = 0; program < commandLines.size(); ++program) {
            const double milliseconds = timeOneStart(commandLines[program], frequency);
            if (milliseconds < 0) {
                std::fwprintf(stderr, L"no window from %ls\n", commandLines[program].c_str());
                return 1;
            }
            times[program].push_back(milliseconds);
        }
    }
    for (std::size_t program = 0; program < commandLines.size(); ++program) {
        std::vector<double>& programTimes = times[program];
        std::sort(programTimes.begin(), programTimes.end());
        std::wprintf(L"median_ms=%.1f min_ms=%.1f max_ms=%.1f runs=%d command=%ls\n",
                     programTimes[programTimes.size() / 2], programTimes.front(),
                     programTimes.back(), runs, commandLines[program].c_str());
    }
    return 0;
}
