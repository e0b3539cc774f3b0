#include "file_replacement.h"
#include "unique_handles_win.h"

#include <windows.h>

#include <algorithm>
#include <string>

namespace quotidia {

namespace {

class WindowsFileReplacement : public FileReplacement {
  public:
    WindowsFileReplacement(UniqueHandle file, std::filesystem::path temporary,
                           std::filesystem::path destination)
        : file_(std::move(file)), temporary_(std::move(temporary)),
          destination_(std::move(destination)) {}

    ~WindowsFileReplacement() override {
        file_.reset();
        if (!committed_) {
            DeleteFileW(temporary_.c_str());
        }
    }

    WindowsFileReplacement(const WindowsFileReplacement&) = delete;
    WindowsFileReplacement& operator=(const WindowsFileReplacement&) = delete;

    bool write(std::string_view bytes) override {
        while (!bytes.empty()) {
            constexpr std::size_t kLargestWrite = 1U << 30U;
            const auto size = static_cast<DWORD>(std::min(bytes.size(), kLargestWrite));
            DWORD written = 0;
            if (!WriteFile(file_.get(), bytes.data(), size, &written, nullptr) || written == 0) {
                return false;
            }
            bytes.remove_prefix(written);
        }
        return true;
    }

    bool commit() override {
        const bool onDisk = FlushFileBuffers(file_.get()) != FALSE;
        const bool closed = CloseHandle(file_.release()) != FALSE;
        if (!onDisk || !closed ||
            !MoveFileExW(temporary_.c_str(), destination_.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return false;
        }
        committed_ = true;
        return true;
    }

  private:
    UniqueHandle file_;
    std::filesystem::path temporary_;
    std::filesystem::path destination_;
    bool committed_ = false;
};

} // namespace

std::unique_ptr<FileReplacement> startFileReplacement(const std::filesystem::path& destination) {
    const std::filesystem::path folder =
        destination.has_parent_path() ? destination.parent_path() : std::filesystem::path(L".");
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::filesystem::path temporary = folder / (destination.filename().wstring() + L"." +
                                                    std::to_wstring(GetCurrentProcessId()) + L"-" +
                                                    std::to_wstring(attempt) + L".tmp");
        HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) {
                continue;
            }
            return nullptr;
        }
        return std::make_unique<WindowsFileReplacement>(UniqueHandle(file), std::move(temporary),
                                                        destination);
    }
    return nullptr;
}

} // namespace quotidia
