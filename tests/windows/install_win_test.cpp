// The installer made from this build, run silently in the Wine test prefix: what it puts
// where, the program it starts at sign-in, and an uninstall that leaves nothing behind.
// The installer's file name comes in QUOTIDIA_INSTALLER; it lies in the build's packages
// folder, beside the tests folder that holds this executable.

#include "mainwindow/frmmain_win.h"
#include "startup/unique_handles_win.h"
#include "wine_test_support.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

namespace quotidia {
namespace {

namespace fs = std::filesystem;
using testing::buildFolder;

constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quotidia";
constexpr wchar_t kMainClass[] = L"Quotidia.frmmain";
constexpr wchar_t kAboutClass[] = L"Quotidia.frmAbout";

fs::path installerPath() {
    std::array<wchar_t, MAX_PATH> name{};
    GetEnvironmentVariableW(L"QUOTIDIA_INSTALLER", name.data(), MAX_PATH);
    return buildFolder() / L"packages" / name.data();
}

fs::path knownFolder(const KNOWNFOLDERID& id) {
    PWSTR path = nullptr;
    const HRESULT result = SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path);
    const std::unique_ptr<wchar_t, decltype(&CoTaskMemFree)> owned(path, CoTaskMemFree);
    return SUCCEEDED(result) ? fs::path(path) : fs::path();
}

fs::path installFolder() {
    return knownFolder(FOLDERID_ProgramFiles) / L"Quotidia";
}
fs::path startMenuShortcut() {
    return knownFolder(FOLDERID_Programs) / L"Quotidia.lnk";
}
fs::path startupShortcut() {
    return knownFolder(FOLDERID_Startup) / L"Quotidia.lnk";
}

std::string fileBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Runs a program and waits for it; nullopt if it could not start or did not end in time.
std::optional<DWORD> runAndWait(const fs::path& program, const std::wstring& arguments) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    std::wstring commandLine = L"\"" + program.wstring() + L"\" " + arguments;
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started)) {
        return std::nullopt;
    }
    const UniqueHandle process(started.hProcess);
    CloseHandle(started.hThread);
    DWORD code = 0;
    if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.get(), &code)) {
        return std::nullopt;
    }
    return code;
}

bool uninstallKeyExists() {
    HKEY key = nullptr;
    const bool opened =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) == ERROR_SUCCESS;
    const UniqueHKey owned(key);
    return opened;
}

std::wstring uninstallValue(const wchar_t* name) {
    std::array<wchar_t, 1024> value{};
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value.data(),
                     &size) != ERROR_SUCCESS) {
        return {};
    }
    return value.data();
}

struct ComReleaser {
    void operator()(IUnknown* object) const noexcept { object->Release(); }
};
template <typename Interface> using ComPtr = std::unique_ptr<Interface, ComReleaser>;

struct ShortcutTarget {
    fs::path program;
    fs::path workingFolder;
};

std::optional<ShortcutTarget> readShortcut(const fs::path& shortcut) {
    IShellLinkW* rawLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&rawLink)))) {
        return std::nullopt;
    }
    const ComPtr<IShellLinkW> link(rawLink);
    IPersistFile* rawFile = nullptr;
    if (FAILED(link->QueryInterface(IID_PPV_ARGS(&rawFile)))) {
        return std::nullopt;
    }
    const ComPtr<IPersistFile> file(rawFile);
    std::array<wchar_t, MAX_PATH> program{};
    std::array<wchar_t, MAX_PATH> folder{};
    if (FAILED(file->Load(shortcut.c_str(), STGM_READ)) ||
        FAILED(link->GetPath(program.data(), MAX_PATH, nullptr, SLGP_RAWPATH)) ||
        FAILED(link->GetWorkingDirectory(folder.data(), MAX_PATH))) {
        return std::nullopt;
    }
    return ShortcutTarget{program.data(), folder.data()};
}

// Opens a shortcut as the shell does at sign-in. The shell hands out no process for a
// shortcut, so the program that came up is found by its window.
bool openShortcut(const fs::path& shortcut) {
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_FLAG_NO_UI;
    execute.lpFile = shortcut.c_str();
    execute.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&execute) != FALSE;
}

UniqueHandle openProcessOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return UniqueHandle(OpenProcess(
        SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, processId));
}

fs::path programOf(HANDLE process) {
    std::array<wchar_t, MAX_PATH> path{};
    DWORD size = MAX_PATH;
    return QueryFullProcessImageNameW(process, 0, path.data(), &size) ? fs::path(path.data())
                                                                      : fs::path();
}

// A visible top-level window of a class, shown by a copy of a program, waited for.
HWND waitForWindow(const wchar_t* className, const fs::path& program) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        for (HWND window = FindWindowExW(nullptr, nullptr, className, nullptr); window != nullptr;
             window = FindWindowExW(nullptr, window, className, nullptr)) {
            const UniqueHandle process = openProcessOf(window);
            std::error_code unknownProgram;
            if (IsWindowVisible(window) && process != nullptr &&
                fs::equivalent(programOf(process.get()), program, unknownProgram)) {
                return window;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return nullptr;
}

// The uninstaller hands its work to a copy of itself and returns at once: wait until the
// copy has taken away the folder's files and the uninstall entry.
bool waitForUninstall() {
    for (int attempt = 0; attempt < 300; ++attempt) {
        if (!fs::exists(installFolder() / L"Uninstall.exe") && !uninstallKeyExists()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

class Installer : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_TRUE(fs::exists(installerPath())) << installerPath();
    }

    // A failed test must not leave Quotidia installed for the next run.
    void TearDown() override {
        const fs::path uninstaller = installFolder() / L"Uninstall.exe";
        if (fs::exists(uninstaller)) {
            runAndWait(uninstaller, L"/S");
            waitForUninstall();
        }
        CoUninitialize();
    }

    static void install(const std::wstring& options) {
        ASSERT_EQ(runAndWait(installerPath(), L"/S " + options), 0u);
    }

    static void uninstall() {
        ASSERT_EQ(runAndWait(installFolder() / L"Uninstall.exe", L"/S"), 0u);
        ASSERT_TRUE(waitForUninstall());
    }
};

TEST_F(Installer, InstallsTheProgramWithItsQuoteBookAndBothShortcuts) {
    install(L"");

    const fs::path program = installFolder() / L"Quotidia.exe";
    EXPECT_EQ(fileBytes(program), fileBytes(buildFolder() / L"shipped" / L"Quotidia.exe"));
    EXPECT_EQ(fileBytes(installFolder() / L"Quotes.txt"), fileBytes(buildFolder() / L"Quotes.txt"));
    EXPECT_TRUE(fs::exists(installFolder() / L"Uninstall.exe"));

    for (const fs::path& shortcut : {startMenuShortcut(), startupShortcut()}) {
        const auto target = readShortcut(shortcut);
        ASSERT_TRUE(target.has_value()) << shortcut;
        EXPECT_TRUE(fs::equivalent(target->program, program)) << target->program;
        EXPECT_TRUE(fs::equivalent(target->workingFolder, installFolder()));
    }

    EXPECT_EQ(uninstallValue(L"DisplayName"), L"Quotidia");
    EXPECT_EQ(uninstallValue(L"DisplayVersion"), L"1.0.0");
    EXPECT_EQ(uninstallValue(L"DisplayIcon"), program.wstring());
    EXPECT_EQ(uninstallValue(L"UninstallString"),
              L"\"" + (installFolder() / L"Uninstall.exe").wstring() + L"\"");
}

// The sign-in shortcut starts Quotidia; uninstalling while it runs, About dialog open,
// ends it and takes away everything the installer made, and nothing else.
TEST_F(Installer, UninstallEndsTheRunningProgramAndLeavesNothingBehind) {
    const fs::path othersStartupItem = knownFolder(FOLDERID_Startup) / L"Another program.lnk";
    fs::create_directories(othersStartupItem.parent_path());
    std::ofstream(othersStartupItem) << "another program's shortcut";
    install(L"");

    const fs::path program = installFolder() / L"Quotidia.exe";
    ASSERT_TRUE(openShortcut(startupShortcut()));
    HWND main = waitForWindow(kMainClass, program);
    ASSERT_NE(main, nullptr);
    const UniqueHandle process = openProcessOf(main);
    std::array<wchar_t, 256> date{};
    EXPECT_GT(GetWindowTextW(GetDlgItem(main, frmmain::lblDate), date.data(), 256), 0);
    PostMessageW(GetDlgItem(main, frmmain::cmdAbout), BM_CLICK, 0, 0);
    ASSERT_NE(waitForWindow(kAboutClass, program), nullptr);

    uninstall();
    const bool programEnded = WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0;
    if (!programEnded) {
        TerminateProcess(process.get(), 1);
    }
    EXPECT_TRUE(programEnded);
    EXPECT_FALSE(fs::exists(installFolder()));
    EXPECT_FALSE(fs::exists(startMenuShortcut()));
    EXPECT_FALSE(fs::exists(startupShortcut()));
    EXPECT_FALSE(uninstallKeyExists());
    EXPECT_TRUE(fs::exists(othersStartupItem));
    fs::remove(othersStartupItem);
}

// A second install with the Startup box cleared (/NOSTARTUP) takes back the first one's
// Startup shortcut; a file the user put into the folder outlives the uninstall.
TEST_F(Installer, ReinstallWithoutStartupAndUninstallKeepTheUsersOwnFiles) {
    install(L"");
    ASSERT_TRUE(fs::exists(startupShortcut()));
    install(L"/NOSTARTUP");
    EXPECT_TRUE(fs::exists(startMenuShortcut()));
    EXPECT_FALSE(fs::exists(startupShortcut()));

    const fs::path usersFile = installFolder() / L"My quotes.txt";
    std::ofstream(usersFile) << "kept";
    uninstall();
    EXPECT_TRUE(fs::exists(usersFile));
    EXPECT_FALSE(fs::exists(installFolder() / L"Quotidia.exe"));
    EXPECT_FALSE(fs::exists(installFolder() / L"Quotes.txt"));
    EXPECT_FALSE(fs::exists(startMenuShortcut()));
    EXPECT_FALSE(uninstallKeyExists());
    fs::remove_all(installFolder());
}

} // namespace
} // namespace quotidia
