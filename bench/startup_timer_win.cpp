// Times how long a Windows program takes from its start until its first top-level window
// is visible, over several runs, and prints the median.
//   startup_timer_win RUNS PROGRAM
// Each run starts the program, polls for its window, then ends the program.

#include "startup/unique_handles_win.h"

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
double timeOneStart(const std::wstring& program, LARGE_INTEGER frequency) {
    constexpr double kGiveUpSeconds = 60.0;
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    LARGE_INTEGER start{};
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
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
    if (argc != 3) {
        std::fputs("usage: startup_timer_win RUNS PROGRAM\n", stderr);
        return 2;
    }
    const int runs = std::max(1, static_cast<int>(std::wcstol(argv[1], nullptr, 10)));
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const double milliseconds = timeOneStart(argv[2], frequency);
        if (milliseconds < 0) {
            std::fputs("the program showed no window\n", stderr);
            return 1;
        }
        times.push_back(milliseconds);
    }
    std::sort(times.begin(), times.end());
    std::printf("median_ms=%.1f min_ms=%.1f max_ms=%.1f runs=%d\n", times[times.size() / 2],
                times.front(), times.back(), runs);
    return 0;
}
