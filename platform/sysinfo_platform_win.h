#pragma once
// Win32 adapter for the System Information launcher: the Unicode registry functions of
// advapi32, the file system, CreateProcessW and MessageBoxW behind SysInfoPlatform.

#include "sysinfo_launcher.h"
#include "unique_handles_win.h"

#include <windows.h>

#include <map>

namespace quotidia {

class SysInfoPlatformWin final : public SysInfoPlatform {
  public:
    // The message box is owned by this window (the About dialog), so it is modal to it.
    explicit SysInfoPlatformWin(HWND owner) : owner_(owner) {}

    std::int32_t openKey(std::uint32_t root, const std::wstring& subKey, std::uint32_t options,
                         std::uint32_t accessMask, RegistryKeyHandle& openedKey) override;
    std::int32_t queryValue(RegistryKeyHandle key, const std::wstring& valueName,
                            std::uint32_t& type, char* data, std::uint32_t& dataSize) override;
    void closeKey(RegistryKeyHandle key) noexcept override;
    bool isNormalFile(const std::wstring& path) override;
    bool startProgram(const std::wstring& path) override;
    void showMessage(std::wstring_view text) override;

  private:
    HWND owner_;
    // Every key handed out stays owned here until closeKey, and is closed with the adapter
    // at the latest.
    std::map<RegistryKeyHandle, UniqueHKey> openKeys_;
};

} // namespace quotidia
