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

const std::string kToolPathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kToolDirectoryKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

struct StoredValue {
    std::uint32_t type;
    std::string data;
};

// A registry, file system, launcher and message box that record what is asked of them.
// ANSI text is Latin-1 here, one byte per character.
class FakePlatform : public SysInfoPlatform {
  public:
    std::map<std::pair<std::uint32_t, std::string>, std::map<std::string, StoredValue>> keys;
    std::set<std::wstring> normalFiles;
    bool startSucceeds = true;
    std::string throwOnQueryOf;
    bool throwOnStart = false;

    std::vector<std::uint32_t> accessMasks;
    std::vector<std::string> queriedValues;
    std::vector<std::wstring> testedFiles;
    std::vector<std::wstring> startedPrograms;
    std::vector<std::wstring> messages;
    std::set<RegistryKeyHandle> openKeys;
    int closes = 0;

    void setValue(const std::string& key, const std::string& name, std::uint32_t type,
                  std::string data) {
        keys[{kHkeyLocalMachine, key}][name] = {type, std::move(data)};
    }
    void setText(const std::string& key, const std::string& name, std::string text) {
        setValue(key, name, kRegSz, std::move(text));
    }

    std::int32_t openKey(std::uint32_t root, const std::string& subKey, std::uint32_t options,
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

    std::int32_t queryValue(RegistryKeyHandle key, const std::string& valueName,
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

    std::string encodeAnsi(std::wstring_view text) override {
        std::string result;
        for (const wchar_t c : text) {
            result.push_back(static_cast<char>(c));
        }
        return result;
    }

    std::wstring decodeAnsi(std::string_view text) override {
        std::wstring result;
        for (const char c : text) {
            result.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        }
        return result;
    }

  private:
    RegistryKeyHandle nextHandle_ = 0x100;
    std::map<RegistryKeyHandle, std::map<std::string, StoredValue>*> handleKeys_;
};

class GetKeyValueTest : public ::testing::Test {
  protected:
    FakePlatform platform;
    std::wstring value = L"previous";

    void SetUp() override { platform.keys[{kHkeyLocalMachine, "Key"}]; }

    bool read(std::uint32_t type, std::string data) {
        platform.setValue("Key", "Value", type, std::move(data));
        return GetKeyValue(platform, kHkeyLocalMachine, L"Key", L"Value", value);
    }

    void TearDown() override { EXPECT_TRUE(platform.openKeys.empty()) << "a key was left open"; }
};

TEST_F(GetKeyValueTest, TextDropsOnlyOneTrailingNul) {
    EXPECT_TRUE(read(kRegSz, "C:\\Tools\\x.exe\0"s));
    EXPECT_EQ(value, L"C:\\Tools\\x.exe");

    EXPECT_TRUE(read(kRegSz, "no terminator"));
    EXPECT_EQ(value, L"no terminator");

    EXPECT_TRUE(read(kRegSz, "two\0\0"s));
    EXPECT_EQ(value, L"two\0"s);
}

TEST_F(GetKeyValueTest, BufferHoldsExactly1024Bytes) {
    EXPECT_TRUE(read(kRegSz, std::string(kRegistryValueBufferSize, 'a')));
    EXPECT_EQ(value, std::wstring(kRegistryValueBufferSize, L'a'));

    value = L"previous";
    EXPECT_FALSE(read(kRegSz, std::string(kRegistryValueBufferSize + 1, 'a')));
    EXPECT_EQ(value, L"");
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
    EXPECT_TRUE(read(kRegExpandSz, "%SystemRoot%\0"s));
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
    platform.throwOnQueryOf = "Value";
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
    platform.setText(kToolPathKey, "PATH", "C:\\Program Files\\si.exe\0"s);
    platform.setText(kToolDirectoryKey, "MSINFO", "D:\\Other");

    StartSysInfo(platform);

    EXPECT_EQ(platform.startedPrograms, std::vector<std::wstring>{L"C:\\Program Files\\si.exe"});
    EXPECT_EQ(platform.queriedValues, std::vector<std::string>{"PATH"});
    EXPECT_TRUE(platform.testedFiles.empty());
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(StartSysInfoTest, SecondLocationIsJoinedDirectlyAndStartedWhenTheFileExists) {
    for (const auto& [directory, expected] :
         {std::pair{"C:\\Common Files\\MSInfo", L"C:\\Common Files\\MSInfo\\MSINFO32.EXE"},
          std::pair{"C:\\Common Files\\MSInfo\\", L"C:\\Common Files\\MSInfo\\\\MSINFO32.EXE"}}) {
        FakePlatform fresh;
        fresh.setText(kToolDirectoryKey, "MSINFO", directory);
        fresh.normalFiles.insert(expected);

        StartSysInfo(fresh);

        EXPECT_EQ(fresh.queriedValues, (std::vector<std::string>{"MSINFO"}));
        EXPECT_EQ(fresh.testedFiles, std::vector<std::wstring>{expected});
        EXPECT_EQ(fresh.startedPrograms, std::vector<std::wstring>{expected});
        EXPECT_TRUE(fresh.messages.empty());
    }
}

TEST_F(StartSysInfoTest, MissingFileShowsTheMessage) {
    platform.setText(kToolDirectoryKey, "MSINFO", "C:\\MSInfo");

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

TEST_F(StartSysInfoTest, EmptyValuesFindNoTool) {
    platform.setText(kToolPathKey, "PATH", "");
    StartSysInfo(platform);
    expectOneMessageAndNoStart();

    FakePlatform second;
    second.setText(kToolDirectoryKey, "MSINFO", "");
    second.normalFiles.insert(L"\\MSINFO32.EXE");
    StartSysInfo(second);
    EXPECT_TRUE(second.testedFiles.empty());
    EXPECT_TRUE(second.startedPrograms.empty());
    EXPECT_EQ(second.messages.size(), 1U);
}

TEST_F(StartSysInfoTest, FailedStartShowsOneMessage) {
    platform.setText(kToolPathKey, "PATH", "C:\\Missing\\si.exe");
    platform.startSucceeds = false;

    StartSysInfo(platform);

    EXPECT_EQ(platform.startedPrograms, std::vector<std::wstring>{L"C:\\Missing\\si.exe"});
    EXPECT_EQ(platform.messages.size(), 1U);
}

TEST_F(StartSysInfoTest, ExceptionsFromThePlatformShowOneMessage) {
    platform.setText(kToolPathKey, "PATH", "C:\\si.exe");
    platform.throwOnQueryOf = "PATH";
    StartSysInfo(platform);
    expectOneMessageAndNoStart();
    EXPECT_EQ(platform.closes, 1);

    FakePlatform second;
    second.setText(kToolPathKey, "PATH", "C:\\si.exe");
    second.throwOnStart = true;
    StartSysInfo(second);
    EXPECT_EQ(second.messages.size(), 1U);
}

} // namespace
} // namespace quotidia
