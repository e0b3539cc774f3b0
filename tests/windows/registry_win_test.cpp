#include "sysinfo_launcher.h"
#include "sysinfo_platform_win.h"
#include "unique_handles_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace quotidia {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kHkeyCurrentUser = 0x80000001;
constexpr const wchar_t* kProbeMarkerVariable = L"QUOTIDIA_SYSINFO_PROBE_MARKER";

// A copy of this executable started by the start tests runs as a probe: it writes its own
// path and command line to the marker file its parent named, then leaves before any test.
[[maybe_unused]] const bool kRunAsProbe = [] {
    std::wstring marker(MAX_PATH, L'\0');
    const DWORD length = GetEnvironmentVariableW(kProbeMarkerVariable, marker.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    marker.resize(length);
    std::wstring self(MAX_PATH, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), MAX_PATH));
    const std::wstring report = self + L"\n" + GetCommandLineW();
    // Written aside and renamed, so the parent never reads half a report.
    const fs::path partial = marker + L".part";
    std::ofstream(partial, std::ios::binary)
        .write(reinterpret_cast<const char*>(report.data()),
               static_cast<std::streamsize>(report.size() * sizeof(wchar_t)));
    MoveFileW(partial.c_str(), marker.c_str());
    ExitProcess(0);
}();

// A key of the test's own, removed with everything below it when the test ends.
class ScratchKey {
  public:
    ScratchKey(HKEY root, std::wstring name) : root_(root), name_(std::move(name)) {
        HKEY created = nullptr;
        if (RegCreateKeyExW(root_, name_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                            nullptr) == ERROR_SUCCESS) {
            key_.reset(created);
        }
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    ~ScratchKey() {
        if (key_) {
            key_.reset();
            RegDeleteTreeW(root_, name_.c_str());
            // The parent stays while another run still has a key below it.
            RegDeleteKeyW(root_, L"Software\\QuotidiaTest");
        }
    }

    [[nodiscard]] bool created() const { return key_ != nullptr; }
    [[nodiscard]] const std::wstring& name() const { return name_; }

    void set(const wchar_t* value, DWORD type, const void* data, std::size_t size) {
        ASSERT_EQ(RegSetValueExW(key_.get(), value, 0, type, static_cast<const BYTE*>(data),
                                 static_cast<DWORD>(size)),
                  ERROR_SUCCESS);
    }
    void setText(const wchar_t* value, const std::wstring& text, DWORD type = REG_SZ) {
        set(value, type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }

  private:
    HKEY root_;
    std::wstring name_;
    UniqueHKey key_;
};

std::wstring scratchName() {
    return L"Software\\QuotidiaTest\\Registry" + std::to_wstring(GetCurrentProcessId());
}

class RealRegistryTest : public ::testing::Test {
  protected:
    SysInfoPlatformWin platform{nullptr};
    ScratchKey scratch{HKEY_CURRENT_USER, scratchName()};
    std::wstring value = L"previous";

    void SetUp() override { ASSERT_TRUE(scratch.created()); }

    bool read(const wchar_t* name) {
        return GetKeyValue(platform, kHkeyCurrentUser, scratch.name(), name, value);
    }
};

// The launcher's copy of HKEY_LOCAL_MACHINE, which no static_assert can check, opens
// the machine's own hive.
TEST_F(RealRegistryTest, MachineRootIsTheMachineHive) {
    const wchar_t* key = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    std::array<wchar_t, 256> expected{};
    DWORD size = sizeof(expected);
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, key, L"CurrentVersion", RRF_RT_REG_SZ, nullptr,
                           expected.data(), &size),
              ERROR_SUCCESS);
    ASSERT_TRUE(GetKeyValue(platform, kHkeyLocalMachine, key, L"CurrentVersion", value));
    EXPECT_EQ(value, expected.data());
}

TEST_F(RealRegistryTest, TextReadsWithoutItsTerminator) {
    scratch.setText(L"Path", L"C:\\Program Files\\Tool\\tool.exe");
    EXPECT_TRUE(read(L"Path"));
    EXPECT_EQ(value, L"C:\\Program Files\\Tool\\tool.exe");

    scratch.set(L"Empty", REG_SZ, L"", 0);
    EXPECT_TRUE(read(L"Empty"));
    EXPECT_EQ(value, L"");
}

TEST_F(RealRegistryTest, TextOf1024BytesReadsWholeAndLongerFails) {
    // 511 UTF-16 units and the terminator fill the 1024 bytes.
    constexpr std::size_t kUnits = kRegistryValueBufferSize / sizeof(wchar_t);
    scratch.setText(L"Full", std::wstring(kUnits - 1, L'\x0436'));
    EXPECT_TRUE(read(L"Full"));
    EXPECT_EQ(value, std::wstring(kUnits - 1, L'\x0436'));

    scratch.setText(L"Long", std::wstring(kUnits, L'a'));
    EXPECT_FALSE(read(L"Long"));
    EXPECT_EQ(value, L"");
}

TEST_F(RealRegistryTest, TextOutsideTheCodePageReadsUnchanged) {
    // A fullwidth letter that a code page would map to its nearest ASCII one, and text
    // that no single code page holds.
    const std::wstring text = L"C:\\Tools\\\xFF4Dsinfo \x0421\x0432\x0435\x0434 \x03A3 \x4E2D.exe";
    scratch.setText(L"Path", text);
    EXPECT_TRUE(read(L"Path"));
    EXPECT_EQ(value, text);
}

TEST_F(RealRegistryTest, DwordReadsAsDecimal) {
    for (const auto& [number, text] :
         {std::pair<DWORD, const wchar_t*>{0x10A, L"266"},
          std::pair<DWORD, const wchar_t*>{0xFFFFFFFF, L"4294967295"}}) {
        scratch.set(L"Number", REG_DWORD, &number, sizeof(number));
        value = L"previous";
        EXPECT_TRUE(read(L"Number"));
        EXPECT_EQ(value, text);
    }
}

TEST_F(RealRegistryTest, MissingValueOrKeyFailsWithEmptyText) {
    EXPECT_FALSE(read(L"Absent"));
    EXPECT_EQ(value, L"");

    value = L"previous";
    EXPECT_FALSE(
        GetKeyValue(platform, kHkeyCurrentUser, scratch.name() + L"\\Absent", L"Path", value));
    EXPECT_EQ(value, L"");
}

// A folder of the test's own below the temporary folder, removed afterwards.
class ScratchFolderTest : public ::testing::Test {
  protected:
    SysInfoPlatformWin platform{nullptr};
    fs::path folder =
        fs::temp_directory_path() / (L"quotidia-sysinfo-" + std::to_wstring(GetCurrentProcessId()));

    void SetUp() override { fs::create_directories(folder); }

    void TearDown() override {
        SetEnvironmentVariableW(kProbeMarkerVariable, nullptr);
        for (auto attempt = 0; attempt < 50; ++attempt) {
            std::error_code ignored;
            for (const auto& entry : fs::recursive_directory_iterator(folder, ignored)) {
                SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
            }
            if (fs::remove_all(folder, ignored) != static_cast<std::uintmax_t>(-1)) {
                return;
            }
            // A probe may still be leaving and hold its executable open.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }

    fs::path file(const fs::path& name, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
        const fs::path path = folder / name;
        std::ofstream(path) << "x";
        SetFileAttributesW(path.c_str(), attributes);
        return path;
    }

    fs::path copyOfThisProgram(const fs::path& name) {
        std::wstring self(MAX_PATH, L'\0');
        self.resize(GetModuleFileNameW(nullptr, self.data(), MAX_PATH));
        const fs::path copy = folder / name;
        fs::create_directories(copy.parent_path());
        fs::copy_file(self, copy);
        return copy;
    }

    std::optional<std::wstring> waitForProbe(const fs::path& marker) {
        for (auto attempt = 0; attempt < 300; ++attempt) {
            std::ifstream in(marker, std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), {});
            if (!bytes.empty()) {
                return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                                    bytes.size() / sizeof(wchar_t));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return std::nullopt;
    }
};

TEST_F(ScratchFolderTest, OnlyNormalFilesExist) {
    EXPECT_TRUE(platform.isNormalFile(file(L"normal.exe")));
    EXPECT_TRUE(platform.isNormalFile(file(L"readonly.exe", FILE_ATTRIBUTE_READONLY)));
    EXPECT_FALSE(platform.isNormalFile(file(L"hidden.exe", FILE_ATTRIBUTE_HIDDEN)));
    EXPECT_FALSE(platform.isNormalFile(file(L"system.exe", FILE_ATTRIBUTE_SYSTEM)));
    fs::create_directory(folder / L"MSINFO32.EXE");
    EXPECT_FALSE(platform.isNormalFile(folder / L"MSINFO32.EXE"));
    EXPECT_FALSE(platform.isNormalFile(folder / L"missing.exe"));
}

TEST_F(ScratchFolderTest, StartsTheProgramAtExactlyAPathWithSpaces) {
    const fs::path program = copyOfThisProgram(L"System Info\\probe tool.exe");
    const fs::path marker = folder / L"marker";
    SetEnvironmentVariableW(kProbeMarkerVariable, marker.c_str());

    ASSERT_TRUE(platform.startProgram(program));

    const auto report = waitForProbe(marker);
    ASSERT_TRUE(report.has_value()) << "the program did not start";
    EXPECT_EQ(*report, program.wstring() + L"\n\"" + program.wstring() + L"\"");
}

TEST_F(ScratchFolderTest, NeverStartsAShorterPathBeforeASpace) {
    // An unquoted command line would try "<folder>\System.exe" for this path first.
    copyOfThisProgram(L"System.exe");
    SetEnvironmentVariableW(kProbeMarkerVariable, (folder / L"marker").c_str());

    EXPECT_FALSE(platform.startProgram(folder / L"System Info\\missing.exe"));
    EXPECT_FALSE(platform.startProgram(L""));
}

// The real registry, file system and program start behind StartSysInfo, with the machine's
// keys looked for below a scratch key of the test's own and the message box recorded.
class RedirectedPlatform : public SysInfoPlatform {
  public:
    explicit RedirectedPlatform(std::wstring scratchKey) : scratchKey_(std::move(scratchKey)) {}

    std::vector<std::wstring> startedPrograms;
    std::vector<std::wstring> messages;

    std::int32_t openKey(std::uint32_t root, const std::wstring& subKey, std::uint32_t options,
                         std::uint32_t accessMask, RegistryKeyHandle& openedKey) override {
        EXPECT_EQ(root, kHkeyLocalMachine);
        return real_.openKey(kHkeyCurrentUser, scratchKey_ + L"\\" + subKey, options, accessMask,
                             openedKey);
    }
    std::int32_t queryValue(RegistryKeyHandle key, const std::wstring& valueName,
                            std::uint32_t& type, char* data, std::uint32_t& dataSize) override {
        return real_.queryValue(key, valueName, type, data, dataSize);
    }
    void closeKey(RegistryKeyHandle key) noexcept override { real_.closeKey(key); }
    bool isNormalFile(const std::wstring& path) override { return real_.isNormalFile(path); }
    bool startProgram(const std::wstring& path) override {
        startedPrograms.push_back(path);
        return real_.startProgram(path);
    }
    void showMessage(std::wstring_view text) override { messages.emplace_back(text); }

  private:
    std::wstring scratchKey_;
    SysInfoPlatformWin real_{nullptr};
};

constexpr const wchar_t* kToolPathKey = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const wchar_t* kToolFolderKey = L"SOFTWARE\\Microsoft\\Shared Tools Location";

class LauncherTest : public ScratchFolderTest {
  protected:
    ScratchKey scratch{HKEY_CURRENT_USER, scratchName() + L"Launcher"};
    RedirectedPlatform launcher{scratch.name()};
    fs::path marker = folder / L"marker";

    void SetUp() override {
        ScratchFolderTest::SetUp();
        ASSERT_TRUE(scratch.created());
        SetEnvironmentVariableW(kProbeMarkerVariable, marker.c_str());
    }

    void setValue(const wchar_t* key, const wchar_t* name, DWORD type, const void* data,
                  std::size_t size) {
        const std::wstring path = scratch.name() + L"\\" + key;
        HKEY created = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &created, nullptr),
                  ERROR_SUCCESS);
        const UniqueHKey owned(created);
        ASSERT_EQ(RegSetValueExW(created, name, 0, type, static_cast<const BYTE*>(data),
                                 static_cast<DWORD>(size)),
                  ERROR_SUCCESS);
    }
    // The text with its terminator, as a program stores it.
    void setToolPath(const std::wstring& text) {
        setValue(kToolPathKey, L"PATH", REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }

    // The program the probe reports it was started as.
    std::optional<std::wstring> startedProbe() {
        const auto report = waitForProbe(marker);
        if (!report) {
            return std::nullopt;
        }
        return report->substr(0, report->find(L'\n'));
    }

    void expectMessageAndNoStart() {
        EXPECT_TRUE(launcher.startedPrograms.empty());
        EXPECT_EQ(launcher.messages,
                  std::vector<std::wstring>{std::wstring(kSysInfoUnavailableMessage)});
        EXPECT_FALSE(fs::exists(marker));
    }
};

TEST_F(LauncherTest, FullwidthLetterStartsThatVeryFileAndNotItsAsciiLookAlike) {
    const fs::path fullwidth = copyOfThisProgram(L"Tools\\\xFF4Dsinfo.exe");
    copyOfThisProgram(L"Tools\\msinfo.exe");
    setToolPath(fullwidth);

    StartSysInfo(launcher);

    EXPECT_TRUE(launcher.messages.empty());
    EXPECT_EQ(startedProbe(), fullwidth.wstring());
}

TEST_F(LauncherTest, CyrillicPathIsStarted) {
    const fs::path program =
        copyOfThisProgram(L"\x041F\x0440\x043E\x0433\x0440\x0430\x043C\x043C\x044B\\"
                          L"\x0441\x0432\x0435\x0434\x0435\x043D\x0438\x044F.exe");
    setToolPath(program);
    StartSysInfo(launcher);
    EXPECT_TRUE(launcher.messages.empty());
    EXPECT_EQ(startedProbe(), program.wstring());
}

TEST_F(LauncherTest, CyrillicFolderOfTheSecondLocationIsStarted) {
    const fs::path program =
        copyOfThisProgram(L"\x0421\x0432\x0435\x0434\x0435\x043D\x0438\x044F\\MSINFO32.EXE");
    const std::wstring folderText = program.parent_path().wstring();
    setValue(kToolFolderKey, L"MSINFO", REG_SZ, folderText.c_str(),
             (folderText.size() + 1) * sizeof(wchar_t));
    StartSysInfo(launcher);
    EXPECT_TRUE(launcher.messages.empty());
    EXPECT_EQ(startedProbe(), program.wstring());
}

TEST_F(LauncherTest, PathWithAnEmbeddedNulStartsNothing) {
    const fs::path program = copyOfThisProgram(L"Tools\\msinfo.exe");
    const std::wstring value = program.wstring() + std::wstring(1, L'\0') + L" -evil";
    setToolPath(value);

    StartSysInfo(launcher);

    expectMessageAndNoStart();
}

TEST_F(LauncherTest, RelativePathStartsNothingFromTheCurrentFolder) {
    const fs::path program = copyOfThisProgram(L"Tools\\msinfo.exe");
    const fs::path before = fs::current_path();
    fs::current_path(program.parent_path());
    for (const wchar_t* relative : {L"msinfo.exe", L".\\msinfo.exe", L"\\msinfo.exe"}) {
        RedirectedPlatform fresh{scratch.name()};
        setToolPath(relative);
        StartSysInfo(fresh);
        EXPECT_TRUE(fresh.startedPrograms.empty()) << relative;
        EXPECT_EQ(fresh.messages.size(), 1U) << relative;
    }
    fs::current_path(before);
    EXPECT_FALSE(fs::exists(marker));
}

} // namespace
} // namespace quotidia
