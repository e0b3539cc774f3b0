// The installer made from this build, run silently in the Wine test prefix, for the
// current user and for everyone: what it puts where (files, uninstall entry, shortcuts),
// the sign-in choice it remembers, the program it starts at sign-in, and uninstalls that
// end the installed program alone and leave nothing behind.

#include "frmmain_win.h"
#include "install_test_support.h"
#include "wine_test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>

namespace quotidia {
namespace {

namespace fs = std::filesystem;
using testing::allUsers;
using testing::buildFolder;
using testing::currentUser;
using testing::endProgram;
using testing::fileBytes;
using testing::Installer;
using testing::kAboutClass;
using testing::kEditedBook;
using testing::kMainClass;
using testing::knownFolder;
using testing::openProcessOf;
using testing::openShortcut;
using testing::runAndWait;
using testing::Scope;
using testing::startProgram;
using testing::stillRunning;
using testing::uninstallKeyExists;
using testing::uninstallString;
using testing::waitForWindow;
using testing::waitUntilGone;

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

} // namespace
} // namespace quotidia
