// The installer and the user's quote book: an unedited book replaced at a reinstall, an
// edited one kept through reinstalls and uninstalls with the shipped book beside it,
// upgrades in place in a custom folder, and the book written in the month names of the
// regional format.

#include "day_state.h"
#include "frmmain_win.h"
#include "install_test_support.h"
#include "quote_lookup.h"
#include "quotebook_platform_win.h"
#include "wine_test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>

namespace quotidia {
namespace {

namespace fs = std::filesystem;
using testing::allUsers;
using testing::currentUser;
using testing::endProgram;
using testing::fileBytes;
using testing::Installer;
using testing::kEditedBook;
using testing::kMainClass;
using testing::Scope;
using testing::startProgram;
using testing::waitForWindow;

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
