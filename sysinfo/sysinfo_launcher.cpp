#include "sysinfo_launcher.h"

#include <array>
#include <utility>

namespace quotidia {
namespace {

constexpr std::wstring_view kToolPathKey = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr std::wstring_view kToolPathValue = L"PATH";
constexpr std::wstring_view kToolDirectoryKey = L"SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr std::wstring_view kToolDirectoryValue = L"MSINFO";
constexpr std::wstring_view kToolFileSuffix = L"\\MSINFO32.EXE";

// Closes a successfully opened key on every way out of the read, exceptions included.
class OpenKey {
  public:
    OpenKey(SysInfoPlatform& platform, RegistryKeyHandle key) : platform_(platform), key_(key) {}
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    OpenKey(OpenKey&&) = delete;
    OpenKey& operator=(OpenKey&&) = delete;
    ~OpenKey() { platform_.closeKey(key_); }

    [[nodiscard]] RegistryKeyHandle handle() const { return key_; }

  private:
    SysInfoPlatform& platform_;
    RegistryKeyHandle key_;
};

// A 32-bit number stored least significant byte first, as decimal text. Fewer than four
// bytes give the number those bytes make; none give empty text.
std::wstring numberValue(std::string_view data) {
    if (data.empty()) {
        return {};
    }
    std::uint32_t number = 0;
    const std::string_view stored = data.substr(0, 4);
    for (auto byte = stored.rbegin(); byte != stored.rend(); ++byte) {
        number = (number << 8U) | static_cast<unsigned char>(*byte);
    }
    return std::to_wstring(number);
}

// UTF-16 units stored least significant byte first, one text character each; an odd last
// byte is half a unit and dropped. One trailing NUL is the terminator and is dropped too.
// (Where wchar_t is wider than UTF-16, in the portable tests, a surrogate pair stays two
// characters.)
std::wstring textValue(std::string_view data) {
    constexpr unsigned kBitsPerByte = 8;
    std::wstring text;
    text.reserve(data.size() / 2);
    for (std::size_t offset = 0; offset + 1 < data.size(); offset += 2) {
        const auto low = static_cast<unsigned char>(data[offset]);
        const auto high = static_cast<unsigned char>(data[offset + 1]);
        text.push_back(static_cast<wchar_t>(low | (static_cast<unsigned>(high) << kBitsPerByte)));
    }
    if (!text.empty() && text.back() == L'\0') {
        text.pop_back();
    }
    return text;
}

bool isAsciiLetter(wchar_t character) {
    return (character >= L'A' && character <= L'Z') || (character >= L'a' && character <= L'z');
}

// "X:\..." with X a letter: a path from the root of a drive.
bool isDrivePath(std::wstring_view path) {
    return path.size() >= 3 && isAsciiLetter(path[0]) && path[1] == L':' && path[2] == L'\\';
}

// "\\server\share...": a path on a share, with a server name and a share name.
bool isSharePath(std::wstring_view path) {
    if (!path.starts_with(L"\\\\")) {
        return false;
    }
    const std::wstring_view rest = path.substr(2);
    const std::size_t serverEnd = rest.find(L'\\');
    return serverEnd != 0 && serverEnd != std::wstring_view::npos && serverEnd + 1 < rest.size() &&
           rest[serverEnd + 1] != L'\\';
}

// The path that the registry names, or empty text when it names none that may be started.
std::wstring readToolPath(SysInfoPlatform& platform) {
    std::wstring text;
    if (GetKeyValue(platform, kHkeyLocalMachine, std::wstring(kToolPathKey),
                    std::wstring(kToolPathValue), text)) {
        return toolPathFor(ToolLocation::path, text).value_or(std::wstring());
    }
    if (!GetKeyValue(platform, kHkeyLocalMachine, std::wstring(kToolDirectoryKey),
                     std::wstring(kToolDirectoryValue), text)) {
        return {};
    }
    const std::optional<std::wstring> path = toolPathFor(ToolLocation::folder, text);
    return path && platform.isNormalFile(*path) ? *path : std::wstring();
}

bool tryStartSysInfo(SysInfoPlatform& platform) {
    const std::wstring path = readToolPath(platform);
    return !path.empty() && platform.startProgram(path);
}

} // namespace

void StartSysInfo(SysInfoPlatform& platform) {
    bool started = false;
    try {
        started = tryStartSysInfo(platform);
    } catch (...) {
        // Whatever went wrong, the user sees the same message as for a missing tool.
        started = false;
    }
    if (!started) {
        platform.showMessage(kSysInfoUnavailableMessage);
    }
}

bool GetKeyValue(SysInfoPlatform& platform, std::uint32_t KeyRoot, const std::wstring& KeyName,
                 const std::wstring& SubKeyRef, std::wstring& KeyVal) {
    RegistryKeyHandle openedKey = 0;
    if (platform.openKey(KeyRoot, KeyName, 0, kKeyRead, openedKey) != kErrorSuccess) {
        KeyVal.clear();
        return false;
    }
    const OpenKey key(platform, openedKey);

    std::array<char, kRegistryValueBufferSize> data{};
    std::uint32_t type = 0;
    std::uint32_t size = kRegistryValueBufferSize;
    if (platform.queryValue(key.handle(), SubKeyRef, type, data.data(), size) != kErrorSuccess ||
        size > data.size()) {
        KeyVal.clear();
        return false;
    }
    if (std::optional<std::wstring> text = registryValueText(type, {data.data(), size})) {
        KeyVal = std::move(*text);
    }
    return true;
}

std::optional<std::wstring> registryValueText(std::uint32_t type, std::string_view data) {
    if (type == kRegSz) {
        return textValue(data);
    }
    if (type == kRegDword) {
        return numberValue(data);
    }
    return std::nullopt;
}

std::optional<std::wstring> toolPathFor(ToolLocation location, std::wstring_view text) {
    std::wstring path(text);
    if (location == ToolLocation::folder) {
        path += kToolFileSuffix;
    }
    if (path.find(L'\0') != std::wstring::npos || !(isDrivePath(path) || isSharePath(path))) {
        return std::nullopt;
    }
    return path;
}

} // namespace quotidia
