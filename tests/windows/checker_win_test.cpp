// quotidia-check.exe as people run it on Windows: entries measured as the window draws
// them, a book rewritten for a regional format by its Windows name, and the one line
// that names the language of a book written for another.

#include "unique_handles_win.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace quotidia {
namespace {

namespace fs = std::filesystem;

struct CheckerRun {
    DWORD exitCode = 0;
    std::string output; // standard output and standard error, as UTF-8
};

// Runs the checker beside the tests with its standard output and error in a pipe.
std::optional<CheckerRun> runChecker(const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        return std::nullopt;
    }
    const UniqueHandle reader(readEnd);
    UniqueHandle writer(writeEnd);
    SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writer.get();
    startup.hStdError = writer.get();
    const fs::path program = testing::buildFolder() / L"quotidia-check.exe";
    std::wstring commandLine = L"\"" + program.wstring() + L"\" " + arguments;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started)) {
        return std::nullopt;
    }
    const UniqueHandle process(started.hProcess);
    CloseHandle(started.hThread);
    writer.reset(); // the pipe ends when the checker's copies close
    CheckerRun run;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(reader.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        run.output.append(buffer, got);
    }
    if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.get(), &run.exitCode)) {
        return std::nullopt;
    }
    return run;
}

std::wstring quoted(const fs::path& path) {
    return L"\"" + path.wstring() + L"\"";
}

std::string narrow(const fs::path& path) {
    const std::wstring wide = path.wstring();
    return {wide.begin(), wide.end()};
}

TEST(CheckerOnWindows, EntryTheWindowCutsOffIsReportedWithItsLineAndOverflow) {
    const testing::TempDir folder;
    // Four short quotation lines fill the area below the empty first line; a fifth is
    // cut off, and so is most of a long paragraph.
    std::string long_;
    for (int word = 0; word < 120; ++word) {
        long_ += "wrapping ";
    }
    const fs::path book = folder.write(L"Quotes.txt", "May 1\r\nOne\r\nTwo\r\nThree\r\nFour\r\n\r\n"
                                                      "May 2\r\nOne\r\nTwo\r\nThree\r\nFour\r\n"
                                                      "Five\r\n\r\n"
                                                      "May 3\r\n" +
                                                          long_ + "\r\n\r\n");
    const std::optional<CheckerRun> run = runChecker(quoted(book));
    ASSERT_TRUE(run);
    EXPECT_EQ(run->exitCode, 1u);
    const std::string at = narrow(book) + ":";
    EXPECT_EQ(run->output.find(at + "1:"), std::string::npos) << run->output;
    EXPECT_NE(run->output.find(at + "7: the entry for \"May 2\" does not fit the quotation area: "
                                    "as the window wraps it, 1 line overflows and is cut off"),
              std::string::npos)
        << run->output;
    EXPECT_NE(run->output.find(at + "14: the entry for \"May 3\" does not fit"), std::string::npos);
    EXPECT_EQ(run->output.find("cannot measure"), std::string::npos);
}

TEST(CheckerOnWindows, BookRewrittenForGermanIsNamedInOneLineAndRewrittenBack) {
    const testing::TempDir folder;
    const fs::path shipped = testing::buildFolder() / L"Quotes.txt";
    const fs::path book = folder.path() / L"Quotes.txt";
    fs::copy_file(shipped, book);

    std::optional<CheckerRun> run =
        runChecker(L"--rewrite-days " + quoted(book) + L" --locale de-DE --output " + quoted(book));
    ASSERT_TRUE(run);
    ASSERT_EQ(run->exitCode, 0u) << run->output;
    EXPECT_NE(run->output.find("366 day lines rewritten"), std::string::npos) << run->output;

    // Under the user's English format the German book is one problem, said once.
    run = runChecker(quoted(book));
    ASSERT_TRUE(run);
    EXPECT_EQ(run->exitCode, 1u);
    EXPECT_NE(run->output.find(narrow(book) + ": the day lines are in German"), std::string::npos)
        << run->output;
    const std::string command = "quotidia-check --rewrite-days \"" + narrow(book) +
                                "\" --from de-DE --output \"" + narrow(book) + "\"";
    EXPECT_NE(run->output.find(command), std::string::npos) << run->output;
    EXPECT_NE(run->output.find(": 1 problem\n"), std::string::npos) << run->output;

    run = runChecker(L"--rewrite-days " + quoted(book) + L" --from de-DE --output " + quoted(book));
    ASSERT_TRUE(run);
    EXPECT_EQ(run->exitCode, 0u) << run->output;
    const auto bytes = [](const fs::path& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    };
    EXPECT_EQ(bytes(book), bytes(shipped));
    run = runChecker(quoted(book));
    ASSERT_TRUE(run);
    EXPECT_EQ(run->exitCode, 0u) << run->output;
}

} // namespace
} // namespace quotidia
