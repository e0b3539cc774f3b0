// The installer made from this build, run silently in the Wine test prefix, for the
// current user and for everyone: what it puts where (files, uninstall entry, shortcuts),
// upgrades in place that keep the user's quote book, the program it starts at sign-in,
// and uninstalls that leave nothing behind but the user's own files. The installer's file
// name comes in QUOTIDIA_INSTALLER; it lies in the build's packages folder, beside the
// tests folder that holds this executable.

#include "day_state.h"
#include "frmmain_win.h"
#include "quote_lookup.h"
#include "quotebook_platform_win.h"
#include "unique_handles_win.h"
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

// Where each scope puts Quotidia by default, its uninstall entry and its shortcuts.
struct Scope {
    const wchar_t* option;
    HKEY root;
    fs::path folder;
    fs::path startMenuShortcut;
    fs::path startupShortcut;
};

Scope currentUser() {
    return {L"/CurrentUser", HKEY_CURRENT_USER,
            knownFolder(FOLDERID_LocalAppData) / L"Programs" / L"Quotidia",
            knownFolder(FOLDERID_Programs) / L"Quotidia.lnk",
            knownFolder(FOLDERID_Startup) / L"Quotidia.lnk"};
}

Scope allUsers() {
    return {L"/AllUsers", HKEY_LOCAL_MACHINE, knownFolder(FOLDERID_ProgramFiles) / L"Quotidia",
            knownFolder(FOLDERID_CommonPrograms) / L"Quotidia.lnk",
            knownFolder(FOLDERID_CommonStartup) / L"Quotidia.lnk"};
}

std::string fileBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Runs a command line and waits for it, as a script or a package manager does; nullopt if
// it could not start or did not end in time.
std::optional<DWORD> runAndWait(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
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

bool uninstallKeyExists(HKEY root) {
    HKEY key = nullptr;
    const bool opened = RegOpenKeyExW(root, kUninstallKey, 0, KEY_READ, &key) == ERROR_SUCCESS;
    const UniqueHKey owned(key);
    return opened;
}

std::wstring uninstallString(HKEY root, const wchar_t* name) {
    std::array<wchar_t, 1024> value{};
    DWORD size = sizeof(value);
    if (RegGetValueW(root, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value.data(), &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    return value.data();
}

std::optional<DWORD> uninstallNumber(HKEY root, const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(root, kUninstallKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
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

// Starts a program in its own folder; suspended, it shows no window and cannot be closed.
UniqueHandle startProgram(const fs::path& program, bool suspended) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        suspended ? CREATE_SUSPENDED : 0, nullptr, program.parent_path().c_str(),
                        &startup, &started)) {
        return nullptr;
    }
    CloseHandle(started.hThread);
    return UniqueHandle(started.hProcess);
}

bool stillRunning(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

void endProgram(HANDLE process) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 10000);
}

// The uninstaller's own file, and then its emptied folder, go a moment after it ends:
// a copy of it that waited for its end removes them.
bool waitUntilGone(const fs::path& path) {
    for (int attempt = 0; attempt < 100 && fs::exists(path); ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return !fs::exists(path);
}

const std::string kEditedBook = "December 24\r\n\"My own quotation.\"\r\n\r\n";

class Installer : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_TRUE(fs::exists(installerPath())) << installerPath();
        shippedBook_ = fileBytes(buildFolder() / L"Quotes.txt");
    }

    // A failed test must leave neither scope installed, nor a kept book, for the next.
    void TearDown() override {
        for (const Scope& scope : {currentUser(), allUsers()}) {
            const fs::path folder = uninstallString(scope.root, L"InstallLocation");
            const std::wstring quiet = uninstallString(scope.root, L"QuietUninstallString");
            if (!quiet.empty()) {
                runAndWait(quiet);
                waitUntilGone(folder / L"Uninstall.exe");
            }
            std::error_code ignored;
            fs::remove_all(scope.folder, ignored);
        }
        std::error_code ignored;
        fs::remove_all(customFolder().parent_path().parent_path(), ignored);
        CoUninitialize();
    }

    static fs::path customFolder() { return L"C:\\Quotidia test\\My apps\\Quotidia"; }

    static std::optional<DWORD> runInstaller(const std::wstring& options) {
        return runAndWait(L"\"" + installerPath().wstring() + L"\" /S " + options);
    }
    static void install(const std::wstring& options) { ASSERT_EQ(runInstaller(options), 0u); }

    // Uninstalls as a package manager does, with the entry's QuietUninstallString, and
    // checks that everything is gone when that returns.
    static void uninstall(const Scope& scope) {
        const fs::path folder = uninstallString(scope.root, L"InstallLocation");
        ASSERT_EQ(runAndWait(uninstallString(scope.root, L"QuietUninstallString")), 0u);
        EXPECT_FALSE(uninstallKeyExists(scope.root));
        EXPECT_FALSE(fs::exists(folder / L"Quotidia.exe"));
        EXPECT_FALSE(fs::exists(folder / L"quotidia-check.exe"));
        EXPECT_FALSE(fs::exists(folder / L"Install.log"));
        EXPECT_FALSE(fs::exists(scope.startMenuShortcut));
        EXPECT_FALSE(fs::exists(scope.startupShortcut));
        EXPECT_TRUE(waitUntilGone(folder / L"Uninstall.exe"));
    }

    // The programs, the uninstaller, both shortcuts (the Startup one if chosen) and a
    // complete uninstall entry, all for one scope and folder.
    static void expectInstalled(const Scope& scope, const fs::path& folder, bool startsAtSignIn) {
        const fs::path program = folder / L"Quotidia.exe";
        const fs::path shipped = buildFolder() / L"shipped";
        EXPECT_EQ(fileBytes(program), fileBytes(shipped / L"Quotidia.exe"));
        EXPECT_EQ(fileBytes(folder / L"quotidia-check.exe"),
                  fileBytes(shipped / L"quotidia-check.exe"));
        const fs::path uninstaller = folder / L"Uninstall.exe";
        EXPECT_TRUE(fs::exists(uninstaller));

        EXPECT_EQ(fs::exists(scope.startupShortcut), startsAtSignIn);
        for (const fs::path& shortcut : {scope.startMenuShortcut, scope.startupShortcut}) {
            if (!fs::exists(shortcut)) {
                continue;
            }
            const auto target = readShortcut(shortcut);
            ASSERT_TRUE(target.has_value()) << shortcut;
            EXPECT_TRUE(fs::equivalent(target->program, program)) << target->program;
            EXPECT_TRUE(fs::equivalent(target->workingFolder, folder));
        }
        EXPECT_TRUE(fs::exists(scope.startMenuShortcut));

        const HKEY root = scope.root;
        EXPECT_EQ(uninstallString(root, L"DisplayName"), L"Quotidia");
        EXPECT_EQ(uninstallString(root, L"DisplayVersion"), L"1.0.0");
        EXPECT_EQ(uninstallString(root, L"Publisher"), L"Quotidia Project");
        EXPECT_EQ(uninstallString(root, L"DisplayIcon"), program.wstring());
        EXPECT_EQ(uninstallString(root, L"InstallLocation"), folder.wstring());
        const std::wstring quoted = L"\"" + uninstaller.wstring() + L"\"";
        EXPECT_EQ(uninstallString(root, L"UninstallString"), quoted + L" _?=" + folder.wstring());
        EXPECT_EQ(uninstallString(root, L"QuietUninstallString"),
                  quoted + L" /S _?=" + folder.wstring());
        EXPECT_GT(uninstallNumber(root, L"EstimatedSize").value_or(0), 1000u);
        EXPECT_EQ(uninstallNumber(root, L"NoModify"), 1u);
        EXPECT_EQ(uninstallNumber(root, L"NoRepair"), 1u);
        EXPECT_EQ(uninstallString(root, L"InstallDate").size(), 8u);
    }

    std::string shippedBook_;
};

TEST_F(Installer, EitherScopeInstallsWithItsSwitchAndUninstallsSilently) {
    const Scope scopes[] = {currentUser(), allUsers()};
    for (int chosen = 0; chosen < 2; ++chosen) {
        const Scope& scope = scopes[chosen];
        const Scope& other = scopes[1 - chosen];
        SCOPED_TRACE(scope.option);
        install(scope.option);
        expectInstalled(scope, scope.folder, true);
        EXPECT_EQ(fileBytes(scope.folder / L"Quotes.txt"), shippedBook_);
        EXPECT_FALSE(fs::exists(scope.folder / L"Quotes.new.txt"));
        EXPECT_FALSE(uninstallKeyExists(other.root));
        EXPECT_FALSE(fs::exists(other.folder));
        EXPECT_FALSE(fs::exists(other.startMenuShortcut));
        EXPECT_FALSE(fs::exists(other.startupShortcut));

        uninstall(scope);
        EXPECT_TRUE(waitUntilGone(scope.folder));
    }
}

// A book the user did not touch is replaced by the shipped one; an edited book stays as it
// is, reinstall after reinstall, with the shipped book beside it as Quotes.new.txt.
TEST_F(Installer, ReinstallReplacesAnUneditedBookAndKeepsAnEditedOne) {
    const Scope scope = currentUser();
    const fs::path book = scope.folder / L"Quotes.txt";
    const fs::path newBook = scope.folder / L"Quotes.new.txt";
    install(L"");
    install(L"");
    expectInstalled(scope, scope.folder, true);
    EXPECT_EQ(fileBytes(book), shippedBook_);
    EXPECT_FALSE(fs::exists(newBook));

    std::ofstream(book, std::ios::binary) << kEditedBook;
    for (int reinstall = 0; reinstall < 2; ++reinstall) {
        install(L"");
        expectInstalled(scope, scope.folder, true);
        EXPECT_EQ(fileBytes(book), kEditedBook);
        EXPECT_EQ(fileBytes(newBook), shippedBook_);
        EXPECT_NE(fileBytes(scope.folder / L"Install.log").find("Quotes.new.txt"),
                  std::string::npos);
    }

    // Taking the new book over makes it the installer's again, and Quotes.new.txt goes.
    std::ofstream(book, std::ios::binary) << fileBytes(newBook);
    install(L"");
    EXPECT_EQ(fileBytes(book), shippedBook_);
    EXPECT_FALSE(fs::exists(newBook));
}

// An edited book and the folder around it outlive the uninstall, as does a file the user
// put there; a later install keeps that book too.
TEST_F(Installer, UninstallKeepsAnEditedBookAndItsFolder) {
    const Scope scope = allUsers();
    const fs::path book = scope.folder / L"Quotes.txt";
    install(L"/AllUsers");
    std::ofstream(book, std::ios::binary) << kEditedBook;
    std::ofstream(scope.folder / L"My quotes.txt") << "kept";

    uninstall(scope);
    EXPECT_EQ(fileBytes(book), kEditedBook);
    EXPECT_TRUE(fs::exists(scope.folder / L"My quotes.txt"));
    EXPECT_FALSE(fs::exists(scope.folder / L"Quotes.new.txt"));

    install(L"/AllUsers");
    expectInstalled(scope, scope.folder, true);
    EXPECT_EQ(fileBytes(book), kEditedBook);
    EXPECT_EQ(fileBytes(scope.folder / L"Quotes.new.txt"), shippedBook_);
}

// A reinstall without /D= goes into the folder chosen before; one with another /D= stops
// without making a second copy.
TEST_F(Installer, ReinstallUpgradesTheInstallationInItsCustomFolder) {
    const Scope scope = currentUser();
    install(L"/D=" + customFolder().wstring());
    install(L"");
    expectInstalled(scope, customFolder(), true);
    EXPECT_EQ(fileBytes(customFolder() / L"Quotes.txt"), shippedBook_);
    EXPECT_FALSE(fs::exists(scope.folder));

    const fs::path another = customFolder().parent_path() / L"Another";
    EXPECT_EQ(runInstaller(L"/D=" + another.wstring()), 2u);
    EXPECT_FALSE(fs::exists(another));
    expectInstalled(scope, customFolder(), true);
    uninstall(scope);
}

TEST_F(Installer, RemembersTheSignInChoiceUntilASwitchChangesIt) {
    const Scope scope = currentUser();
    install(L"/NOSTARTUP");
    expectInstalled(scope, scope.folder, false);
    install(L"");
    expectInstalled(scope, scope.folder, false);
    install(L"/STARTUP");
    expectInstalled(scope, scope.folder, true);
    install(L"");
    expectInstalled(scope, scope.folder, true);
}

// The sign-in shortcut starts Quotidia; uninstalling while it runs, About dialog open,
// ends it, but not a portable copy running from elsewhere, nor another program's
// Startup item.
TEST_F(Installer, UninstallEndsTheInstalledProgramOnly) {
    const Scope scope = currentUser();
    const fs::path othersStartupItem = knownFolder(FOLDERID_Startup) / L"Another program.lnk";
    fs::create_directories(othersStartupItem.parent_path());
    std::ofstream(othersStartupItem) << "another program's shortcut";
    const testing::TempDir portableFolder;
    const fs::path portable = portableFolder.path() / L"Quotidia.exe";
    fs::copy_file(buildFolder() / L"shipped" / L"Quotidia.exe", portable);
    fs::copy_file(buildFolder() / L"Quotes.txt", portableFolder.path() / L"Quotes.txt");
    const UniqueHandle portableProcess = startProgram(portable, false);
    ASSERT_NE(waitForWindow(kMainClass, portable), nullptr);
    install(L"");

    const fs::path program = scope.folder / L"Quotidia.exe";
    ASSERT_TRUE(openShortcut(scope.startupShortcut));
    HWND main = waitForWindow(kMainClass, program);
    ASSERT_NE(main, nullptr);
    const UniqueHandle process = openProcessOf(main);
    std::array<wchar_t, 256> date{};
    EXPECT_GT(GetWindowTextW(GetDlgItem(main, frmmain::lblDate), date.data(), 256), 0);
    PostMessageW(GetDlgItem(main, frmmain::cmdAbout), BM_CLICK, 0, 0);
    ASSERT_NE(waitForWindow(kAboutClass, program), nullptr);

    uninstall(scope);
    const bool programEnded = WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0;
    if (!programEnded) {
        endProgram(process.get());
    }
    EXPECT_TRUE(programEnded);
    EXPECT_TRUE(stillRunning(portableProcess.get()));
    endProgram(portableProcess.get());
    EXPECT_TRUE(waitUntilGone(scope.folder));
    EXPECT_TRUE(fs::exists(othersStartupItem));
    fs::remove(othersStartupItem);
}

// A Quotidia that cannot be closed (here: suspended, without a window) holds its program
// file: installer and uninstaller say so and stop, with an error code, changing nothing.
TEST_F(Installer, StopsBeforeChangingAnythingWhenTheProgramCannotBeClosed) {
    const Scope scope = currentUser();
    const fs::path book = scope.folder / L"Quotes.txt";
    install(L"");
    std::ofstream(book, std::ios::binary) << kEditedBook;
    const UniqueHandle stuck = startProgram(scope.folder / L"Quotidia.exe", true);
    ASSERT_NE(stuck, nullptr);

    EXPECT_EQ(runInstaller(L""), 2u);
    EXPECT_FALSE(fs::exists(scope.folder / L"Quotes.new.txt"));
    EXPECT_EQ(runAndWait(uninstallString(scope.root, L"QuietUninstallString")), 2u);
    endProgram(stuck.get());
    expectInstalled(scope, scope.folder, true);
    EXPECT_EQ(fileBytes(book), kEditedBook);
}

// Run under a German regional format (the test entry sets it): the installer writes the
// shipped book with German day lines, and Quotidia started from the installation shows
// today's quotation. The book it wrote counts as unedited at the next install.
TEST_F(Installer, RegionalFormatGetsTheBookInItsMonthNamesAndTodaysQuotation) {
    std::array<wchar_t, LOCALE_NAME_MAX_LENGTH> locale{};
    GetUserDefaultLocaleName(locale.data(), static_cast<int>(locale.size()));
    ASSERT_EQ(std::wstring(locale.data()), L"de-DE");
    const Scope scope = currentUser();
    const fs::path book = scope.folder / L"Quotes.txt";
    install(scope.option);
    const std::string german = fileBytes(book);
    EXPECT_NE(german.find("\r\n\r\nM\xC3\xA4rz 1\r\n"), std::string::npos);
    EXPECT_NE(german.find("\r\n\r\nDezember 31\r\n"), std::string::npos);
    EXPECT_EQ(german.find("December"), std::string::npos);
    EXPECT_TRUE(german.starts_with("Januar 1\r\n"));

    install(scope.option);
    EXPECT_EQ(fileBytes(book), german);
    EXPECT_FALSE(fs::exists(scope.folder / L"Quotes.new.txt"));

    const QuoteBookPlatformWin platform;
    DayState today;
    initialiseToPresent(today, platform);
    const std::wstring expected = findQuotes(book, today.DayKey, platform);
    ASSERT_FALSE(expected.empty()) << "no entry for " << ::testing::PrintToString(today.DayKey);
    const fs::path program = scope.folder / L"Quotidia.exe";
    const UniqueHandle process = startProgram(program, false);
    ASSERT_NE(process, nullptr);
    const HWND window = waitForWindow(kMainClass, program);
    ASSERT_NE(window, nullptr);
    const HWND label = GetDlgItem(window, frmmain::lblQuotes);
    std::wstring shown(static_cast<std::size_t>(GetWindowTextLengthW(label)) + 1, L'\0');
    shown.resize(static_cast<std::size_t>(
        GetWindowTextW(label, shown.data(), static_cast<int>(shown.size()))));
    EXPECT_EQ(shown, expected);
    endProgram(process.get());
    uninstall(scope);
}

} // namespace
} // namespace quotidia
