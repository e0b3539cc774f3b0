#include "file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace quotidia {

namespace {

class PosixFileReplacement : public FileReplacement {
  public:
    PosixFileReplacement(int descriptor, std::filesystem::path temporary,
                         std::filesystem::path destination)
        : descriptor_(descriptor), temporary_(std::move(temporary)),
          destination_(std::move(destination)) {}

    ~PosixFileReplacement() override {
        if (descriptor_ >= 0) {
            close(descriptor_);
        }
        if (!committed_) {
            unlink(temporary_.c_str());
        }
    }

    PosixFileReplacement(const PosixFileReplacement&) = delete;
    PosixFileReplacement& operator=(const PosixFileReplacement&) = delete;

    bool write(std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
        return true;
    }

    bool commit() override {
        const bool onDisk = fsync(descriptor_) == 0;
        const bool closed = close(descriptor_) == 0;
        descriptor_ = -1;
        if (!onDisk || !closed || rename(temporary_.c_str(), destination_.c_str()) != 0) {
            return false;
        }
        committed_ = true;
        return true;
    }

  private:
    int descriptor_;
    std::filesystem::path temporary_;
    std::filesystem::path destination_;
    bool committed_ = false;
};

} // namespace

std::unique_ptr<FileReplacement> startFileReplacement(const std::filesystem::path& destination) {
    const std::filesystem::path folder =
        destination.has_parent_path() ? destination.parent_path() : std::filesystem::path(".");
    constexpr int kAttempts = 100;
    constexpr mode_t kNewFileMode = 0666;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        // A hidden name of its own: the file's name, the process and the attempt.
        std::string name = ".";
        name += destination.filename().string();
        name += '.';
        name += std::to_string(getpid());
        name += '-';
        name += std::to_string(attempt);
        name += ".tmp";
        std::filesystem::path temporary = folder / name;
        const int descriptor =
            open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        if (descriptor < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return nullptr;
        }
        auto replacement =
            std::make_unique<PosixFileReplacement>(descriptor, std::move(temporary), destination);
        // The new file keeps the old one's permissions.
        struct stat old {};
        constexpr mode_t kPermissionBits = 07777;
        if (stat(destination.c_str(), &old) == 0 &&
            fchmod(descriptor, old.st_mode & kPermissionBits) != 0) {
            return nullptr;
        }
        return replacement;
    }
    return nullptr;
}

} // namespace quotidia
