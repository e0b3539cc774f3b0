#include "sysinfo_launcher.h"

#include <array>

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

// The stored bytes as text: one trailing NUL is the terminator and is dropped; any
// earlier NUL is part of the text.
std::wstring textValue(SysInfoPlatform& platform, std::string_view data) {
    if (!data.empty() && data.back() == '\0') {
        data.remove_suffix(1);
    }
    return platform.decodeAnsi(data);
}

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

std::wstring readToolPath(SysInfoPlatform& platform) {
    std::wstring path;
    if (GetKeyValue(platform, kHkeyLocalMachine, std::wstring(kToolPathKey),
                    std::wstring(kToolPathValue), path)) {
        return path;
    }
    if (!GetKeyValue(platform, kHkeyLocalMachine, std::wstring(kToolDirectoryKey),
                     std::wstring(kToolDirectoryValue), path) ||
        path.empty()) {
        return {};
    }
    path += kToolFileSuffix;
    return platform.isNormalFile(path) ? path : std::wstring();
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
    if (platform.openKey(KeyRoot, platform.encodeAnsi(KeyName), 0, kKeyRead, openedKey) !=
        kErrorSuccess) {
        KeyVal.clear();
        return false;
    }
    const OpenKey key(platform, openedKey);

    std::array<char, kRegistryValueBufferSize> data{};
    std::uint32_t type = 0;
    std::uint32_t size = kRegistryValueBufferSize;
    if (platform.queryValue(key.handle(), platform.encodeAnsi(SubKeyRef), type, data.data(),
                            size) != kErrorSuccess ||
        size > data.size()) {
        KeyVal.clear();
        return false;
    }

    const std::string_view stored(data.data(), size);
    if (type == kRegSz) {
        KeyVal = textValue(platform, stored);
    } else if (type == kRegDword) {
        KeyVal = numberValue(stored);
    }
    return true;
}

} // namespace quotidia
