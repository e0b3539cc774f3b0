#include "install_test_support.h"

#include "wine_test_support.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <array>
#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <system_error>
#include <thread>

namespace quotidia::testing {

namespace fs = std::filesystem;

namespace {

constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quotidia";

struct ComReleaser {
    void operator()(IUnknown* object) const noexcept { object->Release(); }
};
template <typename Interface> using ComPtr = std::unique_ptr<Interface, ComReleaser>;

fs::path programOf(HANDLE process) {
    std::array<wchar_t, MAX_PATH> path{};
    DWORD size = MAX_PATH;
    return QueryFullProcessImageNameW(process, 0, path.data(), &size) ? fs::path(path.data())
                                                                      : fs::path();
}

} // namespace

fs::path installerPath() {
    std::array<wchar_t, MAX_PATH> name{};
    GetEnvironmentVariableW(L"QUOTIDIA_INSTALLER", name.data(), MAX_PATH);
    return buildFolder() / L"packages" / name.data();
}

fs::path knownFolder(const KNOWNFOLDERID& id) {
    PWSTR path = nullptr;
    const HRESULT result = SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path);
    const std::unique_ptr<wchar_t, decltype(&CoTaskMemFree)> owned(path, CoTaskMemFree);
    return SUCCEEDED(result) ? fs::path(path) : fs::path();
}

Scope currentUser() {
    return {L"/CurrentUser", HKEY_CURRENT_USER,
            knownFolder(FOLDERID_LocalAppData) / L"Programs" / L"Quotidia",
            knownFolder(FOLDERID_Programs) / L"Quotidia.lnk",
            knownFolder(FOLDERID_Startup) / L"Quotidia.lnk"};
}

Scope allUsers() {
    return {L"/AllUsers", HKEY_LOCAL_MACHINE, knownFolder(FOLDERID_ProgramFiles) / L"Quotidia",
            knownFolder(FOLDERID_CommonPrograms) / L"Quotidia.lnk",
            knownFolder(FOLDERID_CommonStartup) / L"Quotidia.lnk"};
}

std::string fileBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::optional<DWORD> runAndWait(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return std::nullopt;
    }
    const UniqueHandle process(started.hProcess);
    CloseHandle(started.hThread);
    DWORD code = 0;
    if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.get(), &code)) {
        return std::nullopt;
    }
    return code;
}

bool uninstallKeyExists(HKEY root) {
    HKEY key = nullptr;
    const bool opened = RegOpenKeyExW(root, kUninstallKey, 0, KEY_READ, &key) == ERROR_SUCCESS;
    const UniqueHKey owned(key);
    return opened;
}

std::wstring uninstallString(HKEY root, const wchar_t* name) {
    std::array<wchar_t, 1024> value{};
    DWORD size = sizeof(value);
    if (RegGetValueW(root, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value.data(), &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    return value.data();
}

std::optional<DWORD> uninstallNumber(HKEY root, const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(root, kUninstallKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

std::optional<ShortcutTarget> readShortcut(const fs::path& shortcut) {
    IShellLinkW* rawLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&rawLink)))) {
        return std::nullopt;
    }
    const ComPtr<IShellLinkW> link(rawLink);
    IPersistFile* rawFile = nullptr;
    if (FAILED(link->QueryInterface(IID_PPV_ARGS(&rawFile)))) {
        return std::nullopt;
    }
    const ComPtr<IPersistFile> file(rawFile);
    std::array<wchar_t, MAX_PATH> program{};
    std::array<wchar_t, MAX_PATH> folder{};
    if (FAILED(file->Load(shortcut.c_str(), STGM_READ)) ||
        FAILED(link->GetPath(program.data(), MAX_PATH, nullptr, SLGP_RAWPATH)) ||
        FAILED(link->GetWorkingDirectory(folder.data(), MAX_PATH))) {
        return std::nullopt;
    }
    return ShortcutTarget{program.data(), folder.data()};
}

bool openShortcut(const fs::path& shortcut) {
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_FLAG_NO_UI;
    execute.lpFile = shortcut.c_str();
    execute.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&execute) != FALSE;
}

UniqueHandle openProcessOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return UniqueHandle(OpenProcess(
        SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, processId));
}

HWND waitForWindow(const wchar_t* className, const fs::path& program) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        for (HWND window = FindWindowExW(nullptr, nullptr, className, nullptr); window != nullptr;
             window = FindWindowExW(nullptr, window, className, nullptr)) {
            const UniqueHandle process = openProcessOf(window);
            std::error_code unknownProgram;
            if (IsWindowVisible(window) && process != nullptr &&
                fs::equivalent(programOf(process.get()), program, unknownProgram)) {
                return window;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return nullptr;
}

UniqueHandle startProgram(const fs::path& program, bool suspended) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        suspended ? CREATE_SUSPENDED : 0, nullptr, program.parent_path().c_str(),
                        &startup, &started)) {
        return nullptr;
    }
    CloseHandle(started.hThread);
    return UniqueHandle(started.hProcess);
}

bool stillRunning(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

void endProgram(HANDLE process) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 10000);
}

bool waitUntilGone(const fs::path& path) {
    for (int attempt = 0; attempt < 100 && fs::exists(path); ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return !fs::exists(path);
}

void Installer::SetUp() {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_TRUE(fs::exists(installerPath())) << installerPath();
    shippedBook_ = fileBytes(buildFolder() / L"Quotes.txt");
}

void Installer::TearDown() {
    for (const Scope& scope : {currentUser(), allUsers()}) {
        const fs::path folder = uninstallString(scope.root, L"InstallLocation");
        const std::wstring quiet = uninstallString(scope.root, L"QuietUninstallString");
        if (!quiet.empty()) {
            runAndWait(quiet);
            waitUntilGone(folder / L"Uninstall.exe");
        }
        std::error_code ignored;
        fs::remove_all(scope.folder, ignored);
    }
    std::error_code ignored;
    fs::remove_all(customFolder().parent_path().parent_path(), ignored);
    CoUninitialize();
}

std::optional<DWORD> Installer::runInstaller(const std::wstring& options) {
    return runAndWait(L"\"" + installerPath().wstring() + L"\" /S " + options);
}

void Installer::uninstall(const Scope& scope) {
    const fs::path folder = uninstallString(scope.root, L"InstallLocation");
    ASSERT_EQ(runAndWait(uninstallString(scope.root, L"QuietUninstallString")), 0u);
    EXPECT_FALSE(uninstallKeyExists(scope.root));
    EXPECT_FALSE(fs::exists(folder / L"Quotidia.exe"));
    EXPECT_FALSE(fs::exists(folder / L"quotidia-check.exe"));
    EXPECT_FALSE(fs::exists(folder / L"Install.log"));
    EXPECT_FALSE(fs::exists(scope.startMenuShortcut));
    EXPECT_FALSE(fs::exists(scope.startupShortcut));
    EXPECT_TRUE(waitUntilGone(folder / L"Uninstall.exe"));
}

void Installer::expectInstalled(const Scope& scope, const fs::path& folder, bool startsAtSignIn) {
    const fs::path program = folder / L"Quotidia.exe";
    const fs::path shipped = buildFolder() / L"shipped";
    EXPECT_EQ(fileBytes(program), fileBytes(shipped / L"Quotidia.exe"));
    EXPECT_EQ(fileBytes(folder / L"quotidia-check.exe"),
              fileBytes(shipped / L"quotidia-check.exe"));
    const fs::path uninstaller = folder / L"Uninstall.exe";
    EXPECT_TRUE(fs::exists(uninstaller));

    EXPECT_EQ(fs::exists(scope.startupShortcut), startsAtSignIn);
    for (const fs::path& shortcut : {scope.startMenuShortcut, scope.startupShortcut}) {
        if (!fs::exists(shortcut)) {
            continue;
        }
        const auto target = readShortcut(shortcut);
        ASSERT_TRUE(target.has_value()) << shortcut;
        EXPECT_TRUE(fs::equivalent(target->program, program)) << target->program;
        EXPECT_TRUE(fs::equivalent(target->workingFolder, folder));
    }
    EXPECT_TRUE(fs::exists(scope.startMenuShortcut));

    const HKEY root = scope.root;
    EXPECT_EQ(uninstallString(root, L"DisplayName"), L"Quotidia");
    EXPECT_EQ(uninstallString(root, L"DisplayVersion"), L"1.0.0");
    EXPECT_EQ(uninstallString(root, L"Publisher"), L"Quotidia Project");
    EXPECT_EQ(uninstallString(root, L"DisplayIcon"), program.wstring());
    EXPECT_EQ(uninstallString(root, L"InstallLocation"), folder.wstring());
    const std::wstring quoted = L"\"" + uninstaller.wstring() + L"\"";
    EXPECT_EQ(uninstallString(root, L"UninstallString"), quoted + L" _?=" + folder.wstring());
    EXPECT_EQ(uninstallString(root, L"QuietUninstallString"),
              quoted + L" /S _?=" + folder.wstring());
    EXPECT_GT(uninstallNumber(root, L"EstimatedSize").value_or(0), 1000u);
    EXPECT_EQ(uninstallNumber(root, L"NoModify"), 1u);
    EXPECT_EQ(uninstallNumber(root, L"NoRepair"), 1u);
    EXPECT_EQ(uninstallString(root, L"InstallDate").size(), 8u);
}

} // namespace quotidia::testing
