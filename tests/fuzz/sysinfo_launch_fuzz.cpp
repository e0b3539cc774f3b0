// Runs the System Information launcher against a registry, a file system and a process
// start made from the input, and holds it to what the registry names: the program it
// starts is the one a naive reading of the values gives, an absolute path without NUL,
// or it starts nothing and shows the message once; every key it opens it closes.
//
// Input: a byte of flags (bit 0: the path key opens, 1: it holds the path value, 2: the
// folder key opens, 3: it holds the folder value, 4: the tool's file exists, 5: the
// program starts, 6: the file check throws), a byte of value types (low and high half),
// two bytes for the length of the path value, then the path value and the folder value.

#include "sysinfo_launcher.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace quotidia;

void require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "sysinfo_launch_fuzz: %s\n", what);
        std::abort();
    }
}

struct StoredValue {
    bool keyOpens = false;
    bool exists = false;
    std::uint32_t type = 0;
    std::string bytes;
};

constexpr std::array<std::uint32_t, 4> kTypes = {kRegSz, kRegExpandSz, kRegDword, 3};
constexpr std::int32_t kFileNotFound = 2;
constexpr std::int32_t kMoreData = 234;

class FuzzSysInfoPlatform : public SysInfoPlatform {
  public:
    std::array<StoredValue, 2> values; // the path, then the folder
    bool fileExists = false;
    bool starts = false;
    bool fileCheckThrows = false;
    std::vector<std::wstring> started;
    int messages = 0;
    std::array<int, 2> opened{};
    std::array<int, 2> closed{};

    std::int32_t openKey(std::uint32_t root, const std::wstring& subKey, std::uint32_t /*options*/,
                         std::uint32_t accessMask, RegistryKeyHandle& openedKey) override {
        require(root == kHkeyLocalMachine && accessMask == kKeyRead, "a key opened otherwise");
        const std::size_t which = subKey.ends_with(L"Shared Tools\\MSINFO") ? 0 : 1;
        if (!values.at(which).keyOpens) {
            return kFileNotFound;
        }
        ++opened.at(which);
        openedKey = which + 1;
        return kErrorSuccess;
    }

    std::int32_t queryValue(RegistryKeyHandle key, const std::wstring& /*valueName*/,
                            std::uint32_t& type, char* data, std::uint32_t& dataSize) override {
        const StoredValue& value = values.at(key - 1);
        if (!value.exists) {
            return kFileNotFound;
        }
        if (value.bytes.size() > dataSize) {
            dataSize = static_cast<std::uint32_t>(value.bytes.size());
            return kMoreData;
        }
        value.bytes.copy(data, value.bytes.size());
        dataSize = static_cast<std::uint32_t>(value.bytes.size());
        type = value.type;
        return kErrorSuccess;
    }

    void closeKey(RegistryKeyHandle key) noexcept override { ++closed.at(key - 1); }

    bool isNormalFile(const std::wstring& /*path*/) override {
        if (fileCheckThrows) {
            throw std::runtime_error("file system gone");
        }
        return fileExists;
    }

    bool startProgram(const std::wstring& path) override {
        started.push_back(path);
        return starts;
    }

    void showMessage(std::wstring_view text) override {
        require(text == kSysInfoUnavailableMessage, "another message");
        ++messages;
    }
};

// A value's text read naively: REG_SZ as UTF-16 units less one final NUL, REG_DWORD as
// the decimal number of up to four bytes, least significant first; nothing otherwise.
std::optional<std::wstring> naiveValueText(const StoredValue& value) {
    const auto byteAt = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(value.bytes[at]));
    };
    if (value.type == kRegSz) {
        std::wstring text;
        for (std::size_t at = 0; at + 1 < value.bytes.size(); at += 2) {
            text += static_cast<wchar_t>(byteAt(at) + 256 * byteAt(at + 1));
        }
        if (!text.empty() && text.back() == L'\0') {
            text.pop_back();
        }
        return text;
    }
    if (value.type == kRegDword) {
        if (value.bytes.empty()) {
            return std::wstring();
        }
        std::uint64_t number = 0;
        for (std::size_t at = std::min<std::size_t>(value.bytes.size(), 4); at > 0; --at) {
            number = number * 256 + byteAt(at - 1);
        }
        std::wstring digits;
        do {
            digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + number % 10));
            number /= 10;
        } while (number != 0);
        return digits;
    }
    return std::nullopt;
}

// "X:\" on a drive, or "\\server\share" with both names there.
bool naiveAbsolute(const std::wstring& path) {
    if (path.find(L'\0') != std::wstring::npos) {
        return false;
    }
    const bool letter = !path.empty() && ((path[0] >= L'A' && path[0] <= L'Z') ||
                                          (path[0] >= L'a' && path[0] <= L'z'));
    if (letter && path.size() >= 3 && path[1] == L':' && path[2] == L'\\') {
        return true;
    }
    if (path.size() < 5 || path[0] != L'\\' || path[1] != L'\\' || path[2] == L'\\') {
        return false;
    }
    const std::size_t serverEnd = path.find(L'\\', 2);
    return serverEnd != std::wstring::npos && serverEnd + 1 < path.size() &&
           path[serverEnd + 1] != L'\\';
}

// The program the launcher must start, or nothing.
std::optional<std::wstring> expectedStart(const FuzzSysInfoPlatform& platform) {
    const auto readable = [](const StoredValue& value) {
        return value.keyOpens && value.exists && value.bytes.size() <= kRegistryValueBufferSize;
    };
    const StoredValue& pathValue = platform.values[0];
    if (readable(pathValue)) {
        const std::wstring path = naiveValueText(pathValue).value_or(std::wstring());
        return naiveAbsolute(path) ? std::optional<std::wstring>(path) : std::nullopt;
    }
    const StoredValue& folderValue = platform.values[1];
    if (!readable(folderValue)) {
        return std::nullopt;
    }
    const std::wstring path =
        naiveValueText(folderValue).value_or(std::wstring()) + L"\\MSINFO32.EXE";
    if (!naiveAbsolute(path) || platform.fileCheckThrows || !platform.fileExists) {
        return std::nullopt;
    }
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHeader = 4;
    if (size < kHeader) {
        return 0;
    }
    FuzzSysInfoPlatform platform;
    const std::uint8_t flags = data[0];
    const std::string_view rest(reinterpret_cast<const char*>(data) + kHeader, size - kHeader);
    const std::size_t pathLength =
        std::min<std::size_t>(rest.size(), data[2] + std::size_t{256} * data[3]);
    for (std::size_t which = 0; which < 2; ++which) {
        StoredValue& value = platform.values.at(which);
        value.keyOpens = (flags >> (2 * which) & 1) != 0;
        value.exists = (flags >> (2 * which + 1) & 1) != 0;
        value.type = kTypes.at((data[1] >> (4 * which)) % kTypes.size());
        value.bytes = which == 0 ? rest.substr(0, pathLength) : rest.substr(pathLength);
    }
    platform.fileExists = (flags & 16) != 0;
    platform.starts = (flags & 32) != 0;
    platform.fileCheckThrows = (flags & 64) != 0;

    // The decoding and the decision on their own.
    for (const StoredValue& value : platform.values) {
        const std::optional<std::wstring> text = registryValueText(value.type, value.bytes);
        require(text == naiveValueText(value), "a value decoded otherwise");
        if (text) {
            const std::wstring folderPath = *text + L"\\MSINFO32.EXE";
            require(toolPathFor(ToolLocation::path, *text) ==
                        (naiveAbsolute(*text) ? text : std::nullopt),
                    "a path value judged otherwise");
            require(toolPathFor(ToolLocation::folder, *text) ==
                        (naiveAbsolute(folderPath) ? std::optional(folderPath) : std::nullopt),
                    "a folder value judged otherwise");
        }
    }

    StartSysInfo(platform);

    const std::optional<std::wstring> expected = expectedStart(platform);
    require(platform.started.size() == (expected ? 1 : 0), "started more or less than expected");
    require(!expected || platform.started.front() == *expected, "started another program");
    require(platform.messages == (expected && platform.starts ? 0 : 1),
            "the message shown more or less than once");
    require(platform.opened == platform.closed, "a key left open or closed twice");
    return 0;
}
