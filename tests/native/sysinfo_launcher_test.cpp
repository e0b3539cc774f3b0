#include "sysinfo_launcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

namespace quotidia {
namespace {

using namespace std::string_literals;

constexpr std::int32_t kErrorFileNotFound = 2;
constexpr std::int32_t kErrorMoreData = 234;

const std::wstring kToolPathKey = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::wstring kToolDirectoryKey = L"SOFTWARE\\Microsoft\\Shared Tools Location";

// Text as the registry stores it: UTF-16 units, least significant byte first.
std::string utf16(std::wstring_view text) {
    std::string bytes;
    for (const wchar_t unit : text) {
        bytes += static_cast<char>(static_cast<unsigned>(unit) & 0xFFU);
        bytes += static_cast<char>(static_cast<unsigned>(unit) >> 8U);
    }
    return bytes;
}

// The same with its terminating NUL, as a program stores a text value.
std::string utf16z(std::wstring_view text) {
    return utf16(text) + std::string(2, '\0');
}

struct StoredValue {
    std::uint32_t type;
    std::string data;
};

// A registry, file system, launcher and message box that record what is asked of them.
class FakePlatform : public SysInfoPlatform {
  public:
    std::map<std::pair<std::uint32_t, std::wstring>, std::map<std::wstring, StoredValue>> keys;
    std::set<std::wstring> normalFiles;
    bool startSucceeds = true;
    std::wstring throwOnQueryOf;
    bool throwOnStart = false;

    std::vector<std::uint32_t> accessMasks;
    std::vector<std::wstring> queriedValues;
    std::vector<std::wstring> testedFiles;
    std::vector<std::wstring> startedPrograms;
    std::vector<std::wstring> messages;
    std::set<RegistryKeyHandle> openKeys;
    int closes = 0;

    void setValue(const std::wstring& key, const std::wstring& name, std::uint32_t type,
                  std::string data) {
        keys[{kHkeyLocalMachine, key}][name] = {type, std::move(data)};
    }
    void setText(const std::wstring& key, const std::wstring& name, std::wstring_view text) {
        setValue(key, name, kRegSz, utf16z(text));
    }

    std::int32_t openKey(std::uint32_t root, const std::wstring& subKey, std::uint32_t options,
                         std::uint32_t accessMask, RegistryKeyHandle& key) override {
        EXPECT_EQ(options, 0U);
        accessMasks.push_back(accessMask);
        const auto found = keys.find({root, subKey});
        if (found == keys.end()) {
            return kErrorFileNotFound;
        }
        key = nextHandle_++;
        handleKeys_[key] = &found->second;
        openKeys.insert(key);
        return kErrorSuccess;
    }

    std::int32_t queryValue(RegistryKeyHandle key, const std::wstring& valueName,
                            std::uint32_t& type, char* data, std::uint32_t& dataSize) override {
        EXPECT_TRUE(openKeys.contains(key));
        queriedValues.push_back(valueName);
        if (valueName == throwOnQueryOf) {
            throw std::runtime_error("registry failure");
        }
        const auto& values = *handleKeys_.at(key);
        const auto found = values.find(valueName);
        if (found == values.end()) {
            return kErrorFileNotFound;
        }
        const StoredValue& value = found->second;
        if (value.data.size() > dataSize) {
            dataSize = static_cast<std::uint32_t>(value.data.size());
            return kErrorMoreData;
        }
        type = value.type;
        dataSize = static_cast<std::uint32_t>(value.data.size());
        std::copy(value.data.begin(), value.data.end(), data);
        return kErrorSuccess;
    }

    void closeKey(RegistryKeyHandle key) noexcept override {
        ++closes;
        openKeys.erase(key);
    }

    bool isNormalFile(const std::wstring& path) override {
        testedFiles.push_back(path);
        return normalFiles.contains(path);
    }

    bool startProgram(const std::wstring& path) override {
        if (throwOnStart) {
            throw std::runtime_error("start failure");
        }
        startedPrograms.push_back(path);
        return startSucceeds;
    }

    void showMessage(std::wstring_view text) override { messages.emplace_back(text); }

  private:
    RegistryKeyHandle nextHandle_ = 0x100;
    std::map<RegistryKeyHandle, std::map<std::wstring, StoredValue>*> handleKeys_;
};

class GetKeyValueTest : public ::testing::Test {
  protected:
    FakePlatform platform;
    std::wstring value = L"previous";

    void SetUp() override { platform.keys[{kHkeyLocalMachine, L"Key"}]; }

    bool read(std::uint32_t type, std::string data) {
        platform.setValue(L"Key", L"Value", type, std::move(data));
        return GetKeyValue(platform, kHkeyLocalMachine, L"Key", L"Value", value);
    }

    void TearDown() override { EXPECT_TRUE(platform.openKeys.empty()) << "a key was left open"; }
};

TEST_F(GetKeyValueTest, TextIsUtf16AndDropsOnlyOneTrailingNul) {
    EXPECT_TRUE(read(kRegSz, utf16z(L"C:\\Tools\\\xFF4Dsinfo.exe")));
    EXPECT_EQ(value, L"C:\\Tools\\\xFF4Dsinfo.exe");

    EXPECT_TRUE(read(kRegSz, utf16(L"no terminator")));
    EXPECT_EQ(value, L"no terminator");

    EXPECT_TRUE(read(kRegSz, utf16z(L"two\0"s)));
    EXPECT_EQ(value, L"two\0"s);

    // A NUL byte is not a NUL character: only a whole zero unit ends the text.
    EXPECT_TRUE(read(kRegSz, utf16(L"\x0100")));
    EXPECT_EQ(value, L"\x0100");

    // Half a unit at the end is no character.
    EXPECT_TRUE(read(kRegSz, utf16(L"ab") + "c"));
    EXPECT_EQ(value, L"ab");
}

TEST_F(GetKeyValueTest, BufferHoldsExactly1024Bytes) {
    constexpr std::size_t kUnits = kRegistryValueBufferSize / 2;
    EXPECT_TRUE(read(kRegSz, utf16z(std::wstring(kUnits - 1, L'a'))));
    EXPECT_EQ(value, std::wstring(kUnits - 1, L'a'));

    value = L"previous";
    EXPECT_FALSE(read(kRegSz, utf16z(std::wstring(kUnits, L'a'))));
    EXPECT_EQ(value, L"");
    EXPECT_FALSE(read(kRegSz, std::string(kRegistryValueBufferSize + 1, 'a')));
}

TEST_F(GetKeyValueTest, DwordIsItsDecimalNumberFromTheBytesThereAre) {
    EXPECT_TRUE(read(kRegDword, "\x34\x12\0\0"s));
    EXPECT_EQ(value, L"4660");
    EXPECT_TRUE(read(kRegDword, "\x0A\x01\0\0"s));
    EXPECT_EQ(value, L"266");
    EXPECT_TRUE(read(kRegDword, "\0\0\0\0"s));
    EXPECT_EQ(value, L"0");
    EXPECT_TRUE(read(kRegDword, "\xFF\xFF\xFF\xFF"s));
    EXPECT_EQ(value, L"4294967295");
    EXPECT_TRUE(read(kRegDword, "\0\0\0\x01"s));
    EXPECT_EQ(value, L"16777216");
    EXPECT_TRUE(read(kRegDword, "\x0A\x01"));
    EXPECT_EQ(value, L"266");
}

TEST_F(GetKeyValueTest, ZeroLengthValueIsEmptyText) {
    EXPECT_TRUE(read(kRegSz, ""));
    EXPECT_EQ(value, L"");

    value = L"previous";
    EXPECT_TRUE(read(kRegDword, ""));
    EXPECT_EQ(value, L"");
}

TEST_F(GetKeyValueTest, OtherTypesLeaveTheTextAsItWas) {
    EXPECT_TRUE(read(kRegExpandSz, utf16z(L"%SystemRoot%")));
    EXPECT_EQ(value, L"previous");
}

TEST_F(GetKeyValueTest, MissingKeyOrValueFailsWithEmptyText) {
    EXPECT_FALSE(GetKeyValue(platform, kHkeyLocalMachine, L"Absent", L"Value", value));
    EXPECT_EQ(value, L"");
    EXPECT_EQ(platform.closes, 0);

    value = L"previous";
    EXPECT_FALSE(GetKeyValue(platform, kHkeyLocalMachine, L"Key", L"Absent", value));
    EXPECT_EQ(value, L"");
    EXPECT_EQ(platform.closes, 1);
}

TEST_F(GetKeyValueTest, OpensReadOnlyAndClosesAfterEveryOpen) {
    EXPECT_TRUE(read(kRegSz, "x"));
    EXPECT_TRUE(read(kRegExpandSz, "x"));
    EXPECT_FALSE(read(kRegSz, std::string(kRegistryValueBufferSize + 1, 'x')));
    platform.throwOnQueryOf = L"Value";
    EXPECT_THROW(read(kRegSz, "x"), std::runtime_error);

    EXPECT_EQ(platform.closes, 4);
    EXPECT_EQ(platform.accessMasks, std::vector<std::uint32_t>(4, kKeyRead));
    constexpr std::uint32_t kWriteRights = 0x2 | 0x4 | 0x20 | 0x10000 | 0x40000 | 0x80000;
    EXPECT_EQ(kKeyRead & kWriteRights, 0U);
}

class StartSysInfoTest : public ::testing::Test {
  protected:
    FakePlatform platform;

    void expectOneMessageAndNoStart() {
        EXPECT_TRUE(platform.startedPrograms.empty());
        EXPECT_EQ(platform.messages,
                  std::vector<std::wstring>{std::wstring(kSysInfoUnavailableMessage)});
    }

    void TearDown() override { EXPECT_TRUE(platform.openKeys.empty()) << "a key was left open"; }
};

TEST_F(StartSysInfoTest, FirstLocationIsStartedUntestedAndTheSecondNotRead) {
    platform.setText(kToolPathKey, L"PATH", L"C:\\Program Files\\\x0421\x0418.exe");
    platform.setText(kToolDirectoryKey, L"MSINFO", L"D:\\Other");

    StartSysInfo(platform);

    EXPECT_EQ(platform.startedPrograms,
              std::vector<std::wstring>{L"C:\\Program Files\\\x0421\x0418.exe"});
    EXPECT_EQ(platform.queriedValues, std::vector<std::wstring>{L"PATH"});
    EXPECT_TRUE(platform.testedFiles.empty());
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(StartSysInfoTest, SecondLocationIsJoinedDirectlyAndStartedWhenTheFileExists) {
    for (const auto& [directory, expected] :
         {std::pair{L"C:\\Common Files\\MSInfo", L"C:\\Common Files\\MSInfo\\MSINFO32.EXE"},
          std::pair{L"C:\\Common Files\\MSInfo\\", L"C:\\Common Files\\MSInfo\\\\MSINFO32.EXE"},
          std::pair{L"\\\\server\\tools", L"\\\\server\\tools\\MSINFO32.EXE"}}) {
        FakePlatform fresh;
        fresh.setText(kToolDirectoryKey, L"MSINFO", directory);
        fresh.normalFiles.insert(expected);

        StartSysInfo(fresh);

        EXPECT_EQ(fresh.queriedValues, std::vector<std::wstring>{L"MSINFO"});
        EXPECT_EQ(fresh.testedFiles, std::vector<std::wstring>{expected});
        EXPECT_EQ(fresh.startedPrograms, std::vector<std::wstring>{expected});
        EXPECT_TRUE(fresh.messages.empty());
    }
}

TEST_F(StartSysInfoTest, MissingFileShowsTheMessage) {
    platform.setText(kToolDirectoryKey, L"MSINFO", L"C:\\MSInfo");

    StartSysInfo(platform);

    EXPECT_EQ(platform.testedFiles, std::vector<std::wstring>{L"C:\\MSInfo\\MSINFO32.EXE"});
    expectOneMessageAndNoStart();
}

TEST_F(StartSysInfoTest, BothLocationsMissingShowsTheMessage) {
    StartSysInfo(platform);

    EXPECT_EQ(platform.accessMasks, std::vector<std::uint32_t>(2, kKeyRead));
    EXPECT_TRUE(platform.testedFiles.empty());
    expectOneMessageAndNoStart();
}

// Text that is no absolute path, or that a NUL would cut short, names nothing to start:
// neither as the tool's path nor as its folder, whose file is then not even looked for.
TEST_F(StartSysInfoTest, OnlyAnAbsolutePathWithoutNulIsStarted) {
    const std::vector<std::string> refused = {
        utf16z(L""),
        utf16z(L"msinfo.exe"),
        utf16z(L"Tools\\msinfo.exe"),
        utf16z(L".\\msinfo.exe"),
        utf16z(L"..\\msinfo.exe"),
        utf16z(L"\\Tools\\msinfo.exe"),
        utf16z(L"C:msinfo.exe"),
        utf16z(L"1:\\msinfo.exe"),
        utf16z(L"\xFF23:\\msinfo.exe"),
        utf16z(L" C:\\msinfo.exe"),
        utf16z(L"\\\\"),
        utf16z(L"\\\\server\\"),
        utf16z(L"\\\\\\share\\msinfo.exe"),
        utf16z(L"\\\\server\\\\msinfo.exe"),
        utf16z(L"C:\\Tools\\msinfo.exe\0 -evil"s),
        utf16z(L"C:\\Tools\\msinfo.exe\0"s),
        utf16z(L"\0C:\\Tools\\msinfo.exe"s),
    };
    for (std::size_t index = 0; index < refused.size(); ++index) {
        for (const auto& [key, name] :
             {std::pair{kToolPathKey, L"PATH"}, std::pair{kToolDirectoryKey, L"MSINFO"}}) {
            FakePlatform fresh;
            fresh.setValue(key, name, kRegSz, refused[index]);
            // The file a careless join would look for is there.
            fresh.normalFiles.insert(L"msinfo.exe\\MSINFO32.EXE");
            fresh.normalFiles.insert(L"C:\\Tools\\msinfo.exe\\MSINFO32.EXE");

            StartSysInfo(fresh);

            EXPECT_TRUE(fresh.startedPrograms.empty()) << index;
            EXPECT_TRUE(fresh.testedFiles.empty()) << index;
            EXPECT_EQ(fresh.messages.size(), 1U) << index;
        }
    }
}

TEST_F(StartSysInfoTest, NumberValueIsNoPath) {
    platform.setValue(kToolPathKey, L"PATH", kRegDword, "\x07\0\0\0"s);
    StartSysInfo(platform);
    expectOneMessageAndNoStart();
}

TEST_F(StartSysInfoTest, DrivePathsInEitherCaseAndSharePathsAreStarted) {
    for (const wchar_t* path : {L"c:\\si.exe", L"Z:\\Programs\\si.exe",
                                L"\\\\server\\share\\si.exe", L"\\\\?\\C:\\Long\\si.exe",
                                L"\\\\\x0441\x0435\x0440\x0432\x0435\x0440\\\x0434\\si.exe"}) {
        FakePlatform fresh;
        fresh.setText(kToolPathKey, L"PATH", path);
        StartSysInfo(fresh);
        EXPECT_EQ(fresh.startedPrograms, std::vector<std::wstring>{path});
    }
    // A drive alone, or a server without a share, names no program; a drive or a share
    // can be the folder that holds one.
    EXPECT_EQ(toolPathFor(ToolLocation::path, L"C:"), std::nullopt);
    EXPECT_EQ(toolPathFor(ToolLocation::folder, L"C:"), L"C:\\MSINFO32.EXE");
    EXPECT_EQ(toolPathFor(ToolLocation::path, L"\\\\server"), std::nullopt);
    EXPECT_EQ(toolPathFor(ToolLocation::folder, L"\\\\server\\share"),
              L"\\\\server\\share\\MSINFO32.EXE");
}

TEST_F(StartSysInfoTest, FailedStartShowsOneMessage) {
    platform.setText(kToolPathKey, L"PATH", L"C:\\Missing\\si.exe");
    platform.startSucceeds = false;

    StartSysInfo(platform);

    EXPECT_EQ(platform.startedPrograms, std::vector<std::wstring>{L"C:\\Missing\\si.exe"});
    EXPECT_EQ(platform.messages.size(), 1U);
}

TEST_F(StartSysInfoTest, ExceptionsFromThePlatformShowOneMessage) {
    platform.setText(kToolPathKey, L"PATH", L"C:\\si.exe");
    platform.throwOnQueryOf = L"PATH";
    StartSysInfo(platform);
    expectOneMessageAndNoStart();
    EXPECT_EQ(platform.closes, 1);

    FakePlatform second;
    second.setText(kToolPathKey, L"PATH", L"C:\\si.exe");
    second.throwOnStart = true;
    StartSysInfo(second);
    EXPECT_EQ(second.messages.size(), 1U);
}

} // namespace
} // namespace quotidia
