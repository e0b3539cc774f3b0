// Quotidia.exe started as its own process: how it comes up and how it ends.

#include "day_state.h"
#include "frmAbout_win.h"
#include "frmmain_win.h"
#include "quote_lookup.h"
#include "unique_handles_win.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <thread>

namespace quotidia {
namespace {

constexpr const wchar_t* kErrorProbeVariable = L"QUOTIDIA_ERROR_PROBE";

// A form that fails: in Form_Load with a standard exception, or in its click handler
// with something that is no standard exception at all.
constexpr forms::FormLayout kFailingLayout{
    .className = L"Quotidia.failingForm",
    .title = L"Failing form",
    .style = WS_OVERLAPPED | WS_CAPTION,
    .exStyle = 0,
    .clientWidth = 2880,
    .clientHeight = 1440,
    .controls = {},
};

class FailingForm : public forms::Form {
  public:
    explicit FailingForm(bool failInLoad) : Form(kFailingLayout), failInLoad_(failInLoad) {}

  private:
    void Form_Load() override {
        if (failInLoad_) {
            throw std::logic_error("Form_Load failed");
        }
    }
    void onCommand(int /*id*/) override { throw 42; }

    bool failInLoad_;
};

// A copy of this executable started with the probe variable fails as the program would,
// before any test: "load" fails while loading its form at start-up, as wWinMain runs it;
// "click" fails in a click handler, inside the window procedure; "loop" runs the message
// loop on a message source that fails.
[[maybe_unused]] const bool kRunAsErrorProbe = [] {
    std::array<wchar_t, 16> probe{};
    if (GetEnvironmentVariableW(kErrorProbeVariable, probe.data(),
                                static_cast<DWORD>(probe.size())) == 0) {
        return false;
    }
    if (std::wstring_view(probe.data()) == L"loop") {
        forms::runMessageLoop([](LPMSG, HWND, UINT, UINT) -> BOOL {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return -1;
        });
        ExitProcess(0); // not reached: the failure ends the process
    }
    const bool failInLoad = std::wstring_view(probe.data()) == L"load";
    FailingForm form(failInLoad);
    try {
        form.show();
    } catch (...) {
        forms::reportCurrentExceptionAndEnd();
    }
    SendMessageW(form.hwnd(), WM_COMMAND, MAKEWPARAM(100, BN_CLICKED), 0);
    ExitProcess(0); // not reached: the failure ends the process
}();

std::filesystem::path builtProgram() {
    return testing::buildFolder() / L"Quotidia.exe";
}

// One run of the program; ended by the test or, failing that, terminated.
class ProgramRun {
  public:
    explicit ProgramRun(const std::filesystem::path& program) {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION started{};
        std::wstring commandLine = L"\"" + program.wstring() + L"\"";
        EXPECT_TRUE(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                   nullptr, program.parent_path().c_str(), &startup, &started));
        process_.reset(started.hProcess);
        CloseHandle(started.hThread);
        processId_ = started.dwProcessId;
    }

    ~ProgramRun() {
        if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.get(), 99);
        }
    }

    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // The program's visible top-level window of a class, waited for.
    HWND window(const wchar_t* className) const {
        for (int attempt = 0; attempt < 200; ++attempt) {
            struct Search {
                DWORD processId;
                const wchar_t* className;
                HWND found;
            } search{processId_, className, nullptr};
            EnumWindows(
                [](HWND candidate, LPARAM context) -> BOOL {
                    auto& wanted = *reinterpret_cast<Search*>(context);
                    DWORD owner = 0;
                    GetWindowThreadProcessId(candidate, &owner);
                    std::array<wchar_t, 64> name{};
                    GetClassNameW(candidate, name.data(), static_cast<int>(name.size()));
                    if (owner == wanted.processId && IsWindowVisible(candidate) &&
                        wcscmp(name.data(), wanted.className) == 0) {
                        wanted.found = candidate;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            if (search.found != nullptr) {
                return search.found;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return nullptr;
    }

    // The exit code, or nullopt while it still runs after the wait.
    std::optional<DWORD> exitCode(DWORD waitMilliseconds = 10000) const {
        if (WaitForSingleObject(process_.get(), waitMilliseconds) != WAIT_OBJECT_0) {
            return std::nullopt;
        }
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        return code;
    }

    // The most memory the process has held so far.
    std::size_t peakMemory() const {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof(counters);
        EXPECT_TRUE(GetProcessMemoryInfo(process_.get(), &counters, sizeof(counters)));
        return std::max(counters.PeakWorkingSetSize, counters.PeakPagefileUsage);
    }

  private:
    UniqueHandle process_;
    DWORD processId_ = 0;
};

constexpr wchar_t kMainClass[] = L"Quotidia.frmmain";
constexpr wchar_t kAboutClass[] = L"Quotidia.frmAbout";

void clickRemote(HWND window, int id) {
    PostMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0);
}

TEST(Program, OkEndsTheProgramWithTheAboutDialogOpen) {
    ProgramRun run(builtProgram());
    HWND main = run.window(kMainClass);
    ASSERT_NE(main, nullptr);
    clickRemote(main, frmmain::cmdAbout);
    ASSERT_NE(run.window(kAboutClass), nullptr);

    clickRemote(main, frmmain::cmdButtons(frmmain::indexOK));
    EXPECT_EQ(run.exitCode(), 0u);
}

TEST(Program, AltOEndsTheProgramThroughTheDialogManager) {
    ProgramRun run(builtProgram());
    HWND main = run.window(kMainClass);
    ASSERT_NE(main, nullptr);
    PostMessageW(GetDlgItem(main, frmmain::cmdButtons(frmmain::indexOK)), WM_SYSCHAR, L'o',
                 0x20000001);
    EXPECT_EQ(run.exitCode(), 0u);
}

TEST(Program, EndsWhenItsLastWindowIsClosed) {
    ProgramRun run(builtProgram());
    HWND main = run.window(kMainClass);
    ASSERT_NE(main, nullptr);
    clickRemote(main, frmmain::cmdAbout);
    HWND about = run.window(kAboutClass);
    ASSERT_NE(about, nullptr);

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.exitCode(1000), std::nullopt);
    EXPECT_TRUE(IsWindow(about));

    PostMessageW(about, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.exitCode(), 0u);
}

TEST(Program, StartsWithoutAQuoteBookAndRunsBesideAnotherCopy) {
    testing::TempDir folder;
    const std::filesystem::path program = folder.path() / L"Quotidia.exe";
    std::filesystem::copy_file(builtProgram(), program);

    ProgramRun first(program);
    ProgramRun second(program);
    HWND firstWindow = first.window(kMainClass);
    HWND secondWindow = second.window(kMainClass);
    ASSERT_NE(firstWindow, nullptr);
    ASSERT_NE(secondWindow, nullptr);
    EXPECT_NE(firstWindow, secondWindow);

    std::array<wchar_t, 256> text{};
    EXPECT_EQ(GetWindowTextW(GetDlgItem(firstWindow, frmmain::lblQuotes), text.data(), 256), 0);
    EXPECT_GT(GetWindowTextW(GetDlgItem(firstWindow, frmmain::lblDate), text.data(), 256), 0);

    PostMessageW(firstWindow, WM_CLOSE, 0, 0);
    PostMessageW(secondWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.exitCode(), 0u);
    EXPECT_EQ(second.exitCode(), 0u);
}

TEST(Program, HugeQuotationLineShowsItsStartInLittleMemory) {
    testing::TempDir folder;
    const std::filesystem::path program = folder.path() / L"Quotidia.exe";
    std::filesystem::copy_file(builtProgram(), program);
    const QuoteBookPlatformWin platform;
    const std::wstring key = DayKeyFor(platform.now(), platform);
    constexpr std::size_t kLineMegabytes = 64;
    {
        std::ofstream book(folder.path() / L"Quotes.txt", std::ios::binary);
        // The key as UTF-8, whatever the locale's month names.
        std::string utf8Key(key.size() * 3, '\0');
        utf8Key.resize(static_cast<std::size_t>(WideCharToMultiByte(
            CP_UTF8, 0, key.data(), static_cast<int>(key.size()), utf8Key.data(),
            static_cast<int>(utf8Key.size()), nullptr, nullptr)));
        book << utf8Key << "\r\n";
        const std::string megabyte(1 << 20, 'q');
        for (std::size_t i = 0; i < kLineMegabytes; ++i) {
            book << megabyte;
        }
        book << "\r\n\r\n";
    }

    ProgramRun run(program);
    HWND main = run.window(kMainClass);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(GetWindowTextLengthW(GetDlgItem(main, frmmain::lblQuotes)),
              static_cast<int>(kMaxQuoteTextLength));
    EXPECT_EQ(run.exitCode(500), std::nullopt);
    EXPECT_LT(run.peakMemory(), kLineMegabytes << 20);

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.exitCode(), 0u);
}

// Runs this executable as an error probe and returns the text of the message box it
// shows, then dismisses the box; the exit code goes to `exitCode`.
std::wstring errorReportOf(const wchar_t* probe, std::optional<DWORD>& exitCode) {
    std::array<wchar_t, MAX_PATH> self{};
    GetModuleFileNameW(nullptr, self.data(), MAX_PATH);
    SetEnvironmentVariableW(kErrorProbeVariable, probe);
    ProgramRun run(self.data());
    SetEnvironmentVariableW(kErrorProbeVariable, nullptr);
    HWND box = run.window(L"#32770");
    if (box == nullptr) {
        exitCode = run.exitCode(0);
        return {};
    }
    std::array<wchar_t, 256> text{};
    GetDlgItemTextW(box, 0xFFFF, text.data(), static_cast<int>(text.size()));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    exitCode = run.exitCode();
    return text.data();
}

TEST(StandardErrorReport, AnyFailureInAHandlerOrAtStartUpEndsTheProgramWithItsReport) {
    std::optional<DWORD> exitCode;
    EXPECT_EQ(errorReportOf(L"click", exitCode), L"Run-time error:\n\nUnknown error");
    EXPECT_EQ(exitCode, 1u);
    EXPECT_EQ(errorReportOf(L"load", exitCode), L"Run-time error:\n\nForm_Load failed");
    EXPECT_EQ(exitCode, 1u);
}

TEST(StandardErrorReport, FailureToGetAMessageEndsTheProgramWithItsReport) {
    std::optional<DWORD> exitCode;
    const std::wstring report = errorReportOf(L"loop", exitCode);
    EXPECT_NE(report.find(L"GetMessageW failed"), std::wstring::npos) << report;
    EXPECT_EQ(exitCode, 1u);
}

} // namespace
} // namespace quotidia
