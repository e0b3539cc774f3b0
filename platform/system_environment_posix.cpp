#include "file_replacement.h"
#include "quotation_fit.h"
#include "quotebook_platform_posix.h"
#include "system_environment.h"
#include "text_encodings.h"

#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <ios>
#include <istream>
#include <set>
#include <streambuf>
#include <string>
#include <system_error>

namespace quotidia {

namespace {

// A Windows locale name ("de-DE") in the POSIX form ("de_DE.UTF-8"); other names as
// they are.
std::string posixLocaleName(std::string name) {
    if (name.find('-') == std::string::npos || name.find_first_of("_.@") != std::string::npos) {
        return name;
    }
    for (char& character : name) {
        if (character == '-') {
            character = '_';
        }
    }
    return name + ".UTF-8";
}

std::wstring wide(const std::string& narrow) {
    return {narrow.begin(), narrow.end()};
}

// The English name of a locale's language, from its identification data.
std::wstring languageOf(const std::string& name) {
    locale_t locale = newlocale(LC_ALL_MASK, name.c_str(), static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) {
        return {};
    }
    std::wstring language;
#ifdef __GLIBC__
    const char* text = nl_langinfo_l(_NL_IDENTIFICATION_LANGUAGE, locale);
    language = text != nullptr ? wide(text) : std::wstring{};
#endif
    freelocale(locale);
    return language.empty() ? wide(name) : language;
}

// The folders of compiled locales, each in a folder of its own: LOCPATH's, then the
// system's. (Locales only in the system's locale archive are not listed.)
std::vector<std::filesystem::path> localeFolders() {
    std::vector<std::filesystem::path> folders;
    if (const char* localePath = std::getenv("LOCPATH")) {
        std::string paths = localePath;
        for (std::size_t start = 0; start <= paths.size();) {
            const std::size_t end = std::min(paths.find(':', start), paths.size());
            if (end > start) {
                folders.emplace_back(paths.substr(start, end - start));
            }
            start = end + 1;
        }
    }
    folders.emplace_back("/usr/lib/locale");
    return folders;
}

// The system's words for an errno value.
std::wstring reasonOf(int error) {
    return argumentOfBytes(std::generic_category().message(error)).text;
}

// What kind of file a file that is not a regular one is, in words for the user.
std::wstring notRegularReason(mode_t mode) {
    if (S_ISDIR(mode)) {
        return L"it is a directory, not a quote book";
    }
    const wchar_t* kind = S_ISFIFO(mode)   ? L"a FIFO (named pipe)"
                          : S_ISCHR(mode)  ? L"a character device"
                          : S_ISBLK(mode)  ? L"a block device"
                          : S_ISSOCK(mode) ? L"a socket"
                                           : L"a special file";
    return std::wstring(L"it is ") + kind + L", not a regular file";
}

// Reads an open file and closes it at the end: large reads go straight into the
// reader's block, small ones through a buffer of its own. A read error is kept for its
// reason and thrown, which the stream turns into its badbit.
class FileBuffer : public std::streambuf {
  public:
    explicit FileBuffer(int descriptor) : descriptor_(descriptor) {}
    ~FileBuffer() override { ::close(descriptor_); }
    FileBuffer(const FileBuffer&) = delete;
    FileBuffer& operator=(const FileBuffer&) = delete;

    int error() const { return error_; }

  protected:
    int_type underflow() override {
        const std::size_t count = readSome(buffer_.data(), buffer_.size());
        if (count == 0) {
            return traits_type::eof();
        }
        setg(buffer_.data(), buffer_.data(), buffer_.data() + count);
        return traits_type::to_int_type(buffer_[0]);
    }

    std::streamsize xsgetn(char* out, std::streamsize wanted) override {
        const auto buffered = std::min<std::streamsize>(wanted, egptr() - gptr());
        std::copy(gptr(), gptr() + buffered, out);
        gbump(static_cast<int>(buffered));
        auto total = static_cast<std::size_t>(buffered);
        while (total < static_cast<std::size_t>(wanted)) {
            const std::size_t count =
                readSome(out + total, static_cast<std::size_t>(wanted) - total);
            if (count == 0) {
                break;
            }
            total += count;
        }
        return static_cast<std::streamsize>(total);
    }

    // Only whole rewinds and other absolute places are asked for: a second pass over the
    // book starts again from its beginning.
    pos_type seekoff(off_type offset, std::ios_base::seekdir direction,
                     std::ios_base::openmode which) override {
        if (direction != std::ios_base::beg) {
            return pos_type(off_type(-1));
        }
        return seekpos(pos_type(offset), which);
    }

    pos_type seekpos(pos_type position, std::ios_base::openmode /*which*/) override {
        if (::lseek(descriptor_, static_cast<off_t>(position), SEEK_SET) < 0) {
            error_ = errno;
            return pos_type(off_type(-1));
        }
        setg(nullptr, nullptr, nullptr);
        return position;
    }

  private:
    static constexpr std::size_t kBufferSize = 4096;

    // Reads what the file gives at once; 0 at its end.
    std::size_t readSome(char* out, std::size_t size) {
        for (;;) {
            const ssize_t count = ::read(descriptor_, out, size);
            if (count >= 0) {
                return static_cast<std::size_t>(count);
            }
            if (errno != EINTR) {
                error_ = errno;
                throw std::ios_base::failure("read error");
            }
        }
    }

    int descriptor_;
    int error_ = 0;
    std::array<char, kBufferSize> buffer_;
};

class PosixBook : public OpenBook {
  public:
    explicit PosixBook(int descriptor) : buffer_(descriptor), stream_(&buffer_) {}

    std::istream& stream() override { return stream_; }
    std::wstring readFailure() const override { return reasonOf(buffer_.error()); }

  private:
    FileBuffer buffer_;
    std::istream stream_;
};

// Writes all the bytes to a file descriptor; errno when it could not, 0 when it did.
int writeAll(int descriptor, const std::string& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        if (count > 0) {
            written += static_cast<std::size_t>(count);
        } else if (count == 0) {
            return EIO; // nothing taken and no reason given
        } else if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

// Locales from the system's locale data; text written as UTF-8.
class PosixEnvironment : public CheckerEnvironment {
  public:
    std::unique_ptr<QuoteBookPlatform> platformFor(std::wstring_view localeName) const override {
        return QuoteBookPlatformPosix::forLocale(posixLocaleName(utf8Of(localeName)));
    }

    // Opened without waiting (a FIFO without a writer would block an ordinary open) and
    // judged by what was opened, so that nothing can swap the file in between.
    OpenedBook openBook(const std::filesystem::path& path) override {
        const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (descriptor < 0) {
            return reasonOf(errno);
        }
        struct stat status {};
        if (::fstat(descriptor, &status) != 0) {
            const int error = errno;
            ::close(descriptor);
            return reasonOf(error);
        }
        if (!S_ISREG(status.st_mode)) {
            ::close(descriptor);
            return notRegularReason(status.st_mode);
        }
        // A regular file: reads wait for the disk as usual.
        ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
        return std::make_unique<PosixBook>(descriptor);
    }

    std::optional<std::wstring> writeOutput(std::wstring_view text) override {
        if (const int error = writeAll(STDOUT_FILENO, utf8Of(text))) {
            return reasonOf(error);
        }
        return std::nullopt;
    }

    // Nothing is left to tell of a failure to write an error message.
    void writeError(std::wstring_view text) override { writeAll(STDERR_FILENO, utf8Of(text)); }

    bool writeOutputBytes(std::string_view bytes) override {
        return writeAll(STDOUT_FILENO, std::string(bytes)) == 0;
    }

    std::unique_ptr<FileReplacement>
    replaceFile(const std::filesystem::path& destination) override {
        return startFileReplacement(destination);
    }

    std::vector<KnownLocale> knownLocales() const override {
        std::set<std::string> names;
        for (const std::filesystem::path& folder : localeFolders()) {
            std::error_code error;
            for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
                if (std::filesystem::exists(entry.path() / "LC_TIME", error)) {
                    names.insert(entry.path().filename().string());
                }
            }
        }
        std::vector<KnownLocale> locales;
        for (const std::string& name : names) {
            if (std::wstring language = languageOf(name); !language.empty()) {
                locales.push_back({wide(name), std::move(language)});
            }
        }
        return locales;
    }

    std::unique_ptr<QuotationFit> quotationFit() override { return nullptr; }
};

} // namespace

std::unique_ptr<CheckerEnvironment> makeSystemEnvironment() {
    return std::make_unique<PosixEnvironment>();
}

} // namespace quotidia
