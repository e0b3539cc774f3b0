#pragma once
// The System Information launcher of the About dialog and the registry value reader it
// uses. The decisions live here; the registry, the file system, the program start and
// the message box are reached through SysInfoPlatform, which the Win32 side implements
// with the platform's own functions and tests implement with a fake.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quotidia {

// An open registry key as the platform hands it out; only the platform interprets it.
using RegistryKeyHandle = std::uintptr_t;

// The platform's numbers for the root key, the access rights and the value types.
inline constexpr std::uint32_t kHkeyLocalMachine = 0x80000002;
// KEY_READ: query values, enumerate sub keys, notify, read the security descriptor.
// No write right, so a standard user can open the machine-wide keys.
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::int32_t kErrorSuccess = 0;

// The largest value GetKeyValue reads, in bytes (512 UTF-16 units); a longer one counts as
// missing.
inline constexpr std::size_t kRegistryValueBufferSize = 1024;

inline constexpr std::wstring_view kSysInfoUnavailableMessage =
    L"System Information Is Unavailable At This Time";

class SysInfoPlatform {
  public:
    SysInfoPlatform() = default;
    SysInfoPlatform(const SysInfoPlatform&) = delete;
    SysInfoPlatform& operator=(const SysInfoPlatform&) = delete;
    SysInfoPlatform(SysInfoPlatform&&) = delete;
    SysInfoPlatform& operator=(SysInfoPlatform&&) = delete;
    virtual ~SysInfoPlatform() = default;

    // RegOpenKeyExW: opens subKey below root; returns the platform's error code, 0 on
    // success, and sets openedKey only then.
    virtual std::int32_t openKey(std::uint32_t root, const std::wstring& subKey,
                                 std::uint32_t options, std::uint32_t accessMask,
                                 RegistryKeyHandle& openedKey) = 0;

    // RegQueryValueExW: reads the value valueName of key into data, which holds dataSize
    // bytes on entry; on success dataSize is the number of bytes stored and type the
    // value's type. Text comes as UTF-16 units, least significant byte first, exactly as
    // stored: no code page can map one character to another. A value larger than the
    // buffer is an error code, not success.
    virtual std::int32_t queryValue(RegistryKeyHandle key, const std::wstring& valueName,
                                    std::uint32_t& type, char* data, std::uint32_t& dataSize) = 0;

    // RegCloseKey; the caller ignores the result, so it cannot fail.
    virtual void closeKey(RegistryKeyHandle key) noexcept = 0;

    // True when path names an existing normal file: hidden files, system files and
    // directories do not count.
    virtual bool isNormalFile(const std::wstring& path) = 0;

    // Starts the program at exactly this path in a normal window and does not wait for it.
    virtual bool startProgram(const std::wstring& path) = 0;

    // A modal box with the text, one OK button and the application's title.
    virtual void showMessage(std::wstring_view text) = 0;
};

// Starts the System Information tool found through the registry. Every failure, an
// exception from the platform included, ends in one message box and a normal return.
void StartSysInfo(SysInfoPlatform& platform);

// Reads the value SubKeyRef of the key KeyName below KeyRoot into KeyVal as text, as
// registryValueText makes it. Returns false and empties KeyVal when the key or the value
// cannot be read.
bool GetKeyValue(SysInfoPlatform& platform, std::uint32_t KeyRoot, const std::wstring& KeyName,
                 const std::wstring& SubKeyRef, std::wstring& KeyVal);

// The text of a value's stored bytes: REG_SZ as UTF-16 without one terminating NUL (an
// earlier NUL stays in the text, an odd last byte is half a unit and dropped), REG_DWORD
// as the decimal number its bytes make, least significant first. nullopt for any other
// type: GetKeyValue then leaves KeyVal as it was.
std::optional<std::wstring> registryValueText(std::uint32_t type, std::string_view data);

// Where the tool's location in the registry comes from: its full path, or the folder that
// holds MSINFO32.EXE.
enum class ToolLocation { path, folder };

// The program StartSysInfo may start for the text read from a location (for a folder, the
// file to look for first): the text itself, or the folder followed by "\MSINFO32.EXE".
// nullopt unless that is an absolute path, on a drive ("C:\...") or a share
// ("\\server\share..."), with no NUL in it: a relative path would be looked for in
// the current folder, and text after a NUL would be cut off.
std::optional<std::wstring> toolPathFor(ToolLocation location, std::wstring_view text);

} // namespace quotidia
