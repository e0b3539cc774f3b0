#pragma once
// What the installer tests share: the installer made from this build, where each scope
// puts Quotidia, its uninstall entry and shortcuts read back, programs started and
// waited for, and a fixture that leaves nothing installed behind a test. The installer's
// file name comes in QUOTIDIA_INSTALLER; it lies in the build's packages folder, beside
// the tests folder that holds the test executable.

#include "unique_handles_win.h"

#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

namespace quotidia::testing {

inline constexpr wchar_t kMainClass[] = L"Quotidia.frmmain";
inline constexpr wchar_t kAboutClass[] = L"Quotidia.frmAbout";

// A quote book as a user edits it.
inline const std::string kEditedBook = "December 24\r\n\"My own quotation.\"\r\n\r\n";

std::filesystem::path installerPath();
std::filesystem::path knownFolder(const KNOWNFOLDERID& id);

// Where each scope puts Quotidia by default, its uninstall entry and its shortcuts.
struct Scope {
    const wchar_t* option;
    HKEY root;
    std::filesystem::path folder;
    std::filesystem::path startMenuShortcut;
    std::filesystem::path startupShortcut;
};

Scope currentUser();
Scope allUsers();

std::string fileBytes(const std::filesystem::path& path);

// Runs a command line and waits for it, as a script or a package manager does; nullopt if
// it could not start or did not end in time.
std::optional<DWORD> runAndWait(std::wstring commandLine);

bool uninstallKeyExists(HKEY root);
std::wstring uninstallString(HKEY root, const wchar_t* name);
std::optional<DWORD> uninstallNumber(HKEY root, const wchar_t* name);

struct ShortcutTarget {
    std::filesystem::path program;
    std::filesystem::path workingFolder;
};

std::optional<ShortcutTarget> readShortcut(const std::filesystem::path& shortcut);

// Opens a shortcut as the shell does at sign-in. The shell hands out no process for a
// shortcut, so the program that came up is found by its window.
bool openShortcut(const std::filesystem::path& shortcut);

UniqueHandle openProcessOf(HWND window);

// A visible top-level window of a class, shown by a copy of a program, waited for.
HWND waitForWindow(const wchar_t* className, const std::filesystem::path& program);

// Starts a program in its own folder; suspended, it shows no window and cannot be closed.
UniqueHandle startProgram(const std::filesystem::path& program, bool suspended);

bool stillRunning(HANDLE process);
void endProgram(HANDLE process);

// The uninstaller's own file, and then its emptied folder, go a moment after it ends:
// a copy of it that waited for its end removes them.
bool waitUntilGone(const std::filesystem::path& path);

class Installer : public ::testing::Test {
  protected:
    void SetUp() override;
    // A failed test must leave neither scope installed, nor a kept book, for the next.
    void TearDown() override;

    static std::filesystem::path customFolder() { return L"C:\\Quotidia test\\My apps\\Quotidia"; }

    static std::optional<DWORD> runInstaller(const std::wstring& options);
    static void install(const std::wstring& options) { ASSERT_EQ(runInstaller(options), 0u); }

    // Uninstalls as a package manager does, with the entry's QuietUninstallString, and
    // checks that everything is gone when that returns.
    static void uninstall(const Scope& scope);

    // The programs, the uninstaller, both shortcuts (the Startup one if chosen) and a
    // complete uninstall entry, all for one scope and folder.
    static void expectInstalled(const Scope& scope, const std::filesystem::path& folder,
                                bool startsAtSignIn);

    std::string shippedBook_;
};

} // namespace quotidia::testing
