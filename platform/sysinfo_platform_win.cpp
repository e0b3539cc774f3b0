#include "sysinfo_platform_win.h"

#include "app_identity.h"
#include "errors_win.h"

namespace quotidia {

// The launcher keeps its own copies of the platform's numbers, since it includes no
// Windows header; they must be the platform's. (HKEY_LOCAL_MACHINE is a pointer cast,
// which no constant expression can hold; rootKey turns kHkeyLocalMachine into it.)
static_assert(kKeyRead == KEY_READ);
static_assert(kRegSz == REG_SZ);
static_assert(kRegExpandSz == REG_EXPAND_SZ);
static_assert(kRegDword == REG_DWORD);
static_assert(kErrorSuccess == ERROR_SUCCESS);

namespace {

// The predefined root keys are 32-bit values that a 64-bit handle holds sign-extended
// (HKEY_LOCAL_MACHINE is 0xFFFFFFFF80000002 there).
HKEY rootKey(std::uint32_t root) {
    const auto extended = static_cast<LONG_PTR>(static_cast<LONG>(root));
    return reinterpret_cast<HKEY>(extended);
}

} // namespace

std::int32_t SysInfoPlatformWin::openKey(std::uint32_t root, const std::wstring& subKey,
                                         std::uint32_t options, std::uint32_t accessMask,
                                         RegistryKeyHandle& openedKey) {
    HKEY opened = nullptr;
    const LSTATUS status =
        RegOpenKeyExW(rootKey(root), subKey.c_str(), options, accessMask, &opened);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    UniqueHKey owned(opened);
    const auto handle = reinterpret_cast<RegistryKeyHandle>(opened);
    openKeys_[handle] = std::move(owned);
    openedKey = handle;
    return status;
}

std::int32_t SysInfoPlatformWin::queryValue(RegistryKeyHandle key, const std::wstring& valueName,
                                            std::uint32_t& type, char* data,
                                            std::uint32_t& dataSize) {
    const auto found = openKeys_.find(key);
    if (found == openKeys_.end()) {
        return ERROR_INVALID_HANDLE;
    }
    DWORD valueType = 0;
    DWORD size = dataSize;
    const LSTATUS status = RegQueryValueExW(found->second.get(), valueName.c_str(), nullptr,
                                            &valueType, reinterpret_cast<BYTE*>(data), &size);
    type = valueType;
    dataSize = size;
    return status;
}

void SysInfoPlatformWin::closeKey(RegistryKeyHandle key) noexcept {
    openKeys_.erase(key);
}

bool SysInfoPlatformWin::isNormalFile(const std::wstring& path) {
    constexpr DWORD kNotNormal =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & kNotNormal) == 0;
}

bool SysInfoPlatformWin::startProgram(const std::wstring& path) {
    // The path is named as the program to run, so the platform never splits it at a space
    // and tries a shorter path first; the command line repeats it quoted as argument 0.
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &started) == FALSE) {
        return false;
    }
    // Nothing waits for or watches the tool.
    const UniqueHandle process(started.hProcess);
    const UniqueHandle thread(started.hThread);
    return true;
}

void SysInfoPlatformWin::showMessage(std::wstring_view text) {
    const std::wstring message(text);
    MessageBoxW(owner_, message.c_str(), kAppTitle, MB_OK);
}

} // namespace quotidia
