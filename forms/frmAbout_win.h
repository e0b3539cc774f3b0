#pragma once
// The About dialog: the application's title and version, a description and a
// disclaimer, "OK" and the start of the System Information tool. Modeless.

#include "forms_runtime_win.h"
#include "sysinfo_launcher.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quotidia {

class frmAbout : public forms::Form {
  public:
    static constexpr int cmdOK = 100;
    static constexpr int cmdSysInfo = 101;
    static constexpr int picIcon = 102;
    static constexpr int lblDescription = 103;
    static constexpr int lblTitle = 104;
    static constexpr int lblDisclaimer = 105;

    // Makes the platform that StartSysInfo reaches the registry and the system through,
    // for a dialog window that owns its message box.
    using SysInfoPlatformFactory = std::function<std::unique_ptr<SysInfoPlatform>(HWND owner)>;

    frmAbout();
    explicit frmAbout(SysInfoPlatformFactory platformFactory);

  private:
    void Form_Load() override;
    void onCommand(int id) override;
    std::optional<std::wstring> copyText() const override;

    void cmdOK_Click();
    void cmdSysInfo_Click();
    void StartSysInfo();

    SysInfoPlatformFactory platformFactory_;
};

} // namespace quotidia
