#include "errors_win.h"
#include "file_replacement.h"
#include "quotation_fit_win.h"
#include "quotebook_platform_win.h"
#include "system_environment.h"
#include "text_encodings.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <ios>
#include <istream>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

namespace quotidia {

namespace {

// The English name of a locale's language ("German").
std::wstring languageOf(const wchar_t* locale) {
    wchar_t name[LOCALE_NAME_MAX_LENGTH * 2] = {};
    if (GetLocaleInfoEx(locale, LOCALE_SENGLISHLANGUAGENAME, name, LOCALE_NAME_MAX_LENGTH * 2) <=
        0) {
        return {};
    }
    return name;
}

BOOL CALLBACK addLocale(LPWSTR name, DWORD /*flags*/, LPARAM locales) {
    if (std::wstring language = languageOf(name); !language.empty()) {
        reinterpret_cast<std::vector<KnownLocale>*>(locales)->push_back(
            {name, std::move(language)});
    }
    return TRUE;
}

// The system's words for an error code, without the full stop it ends in.
std::wstring reasonOf(DWORD error) {
    std::wstring reason = forms::systemMessageOf(error);
    if (reason.empty()) {
        return L"system error " + std::to_wstring(error);
    }
    if (reason.back() == L'.') {
        reason.pop_back();
    }
    return reason;
}

// Reads an open file through a buffer of its own and closes it at the end. A read error
// is kept for its reason and thrown, which the stream turns into its badbit.
class FileBuffer : public std::streambuf {
  public:
    explicit FileBuffer(HANDLE file) : file_(file) {}
    ~FileBuffer() override { CloseHandle(file_); }
    FileBuffer(const FileBuffer&) = delete;
    FileBuffer& operator=(const FileBuffer&) = delete;

    DWORD error() const { return error_; }

  protected:
    int_type underflow() override {
        DWORD count = 0;
        if (!ReadFile(file_, buffer_.data(), static_cast<DWORD>(buffer_.size()), &count, nullptr)) {
            error_ = GetLastError();
            throw std::ios_base::failure("read error");
        }
        if (count == 0) {
            return traits_type::eof();
        }
        setg(buffer_.data(), buffer_.data(), buffer_.data() + count);
        return traits_type::to_int_type(buffer_[0]);
    }

    // Only absolute places are asked for: a second pass over the book starts again from
    // its beginning.
    pos_type seekoff(off_type offset, std::ios_base::seekdir direction,
                     std::ios_base::openmode which) override {
        if (direction != std::ios_base::beg) {
            return pos_type(off_type(-1));
        }
        return seekpos(pos_type(offset), which);
    }

    pos_type seekpos(pos_type position, std::ios_base::openmode /*which*/) override {
        LARGE_INTEGER place{};
        place.QuadPart = static_cast<LONGLONG>(position);
        if (!SetFilePointerEx(file_, place, nullptr, FILE_BEGIN)) {
            error_ = GetLastError();
            return pos_type(off_type(-1));
        }
        setg(nullptr, nullptr, nullptr);
        return position;
    }

  private:
    static constexpr std::size_t kBufferSize = std::size_t{64} * 1024;

    HANDLE file_;
    DWORD error_ = ERROR_SUCCESS;
    std::array<char, kBufferSize> buffer_{};
};

class WindowsBook : public OpenBook {
  public:
    explicit WindowsBook(HANDLE file) : buffer_(file), stream_(&buffer_) {}

    std::istream& stream() override { return stream_; }
    std::wstring readFailure() const override { return reasonOf(buffer_.error()); }

  private:
    FileBuffer buffer_;
    std::istream stream_;
};

// What kind of file an opened file that is not on a disk is, in words for the user.
std::wstring notRegularReason(DWORD fileType) {
    switch (fileType) {
    case FILE_TYPE_CHAR:
        return L"it is a character device, not a regular file";
    case FILE_TYPE_PIPE:
        return L"it is a pipe, not a regular file";
    default:
        return L"it is not a regular file";
    }
}

// Writes the whole text to a console as wide characters, or to a file or pipe as UTF-8;
// the error code when it could not, ERROR_SUCCESS when it did.
DWORD writeAll(DWORD which, std::wstring_view text) {
    const HANDLE stream = GetStdHandle(which);
    if (stream == nullptr || stream == INVALID_HANDLE_VALUE) {
        return ERROR_INVALID_HANDLE;
    }
    DWORD mode = 0;
    if (GetConsoleMode(stream, &mode)) {
        while (!text.empty()) {
            DWORD written = 0;
            if (!WriteConsoleW(stream, text.data(), static_cast<DWORD>(text.size()), &written,
                               nullptr)) {
                return GetLastError();
            }
            if (written == 0) {
                return ERROR_WRITE_FAULT; // nothing taken and no reason given
            }
            text.remove_prefix(written);
        }
        return ERROR_SUCCESS;
    }
    const std::string bytes = utf8Of(text);
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        DWORD written = 0;
        if (!WriteFile(stream, bytes.data() + offset, static_cast<DWORD>(bytes.size() - offset),
                       &written, nullptr)) {
            return GetLastError();
        }
        if (written == 0) {
            return ERROR_WRITE_FAULT; // nothing taken and no reason given
        }
        offset += written;
    }
    return ERROR_SUCCESS;
}

// Locales through the same seam as the program; text written to a console as wide
// characters and to a file or pipe as UTF-8.
class WindowsEnvironment : public CheckerEnvironment {
  public:
    std::unique_ptr<QuoteBookPlatform> platformFor(std::wstring_view localeName) const override {
        if (localeName.empty()) {
            return std::make_unique<QuoteBookPlatformWin>();
        }
        std::wstring name(localeName);
        if (!QuoteBookPlatformWin::isKnownLocale(name)) {
            return nullptr;
        }
        return std::make_unique<QuoteBookPlatformWin>(std::move(name));
    }

    // Opening a device or a pipe does not wait; its type is judged before anything is
    // read, on the handle that was opened.
    OpenedBook openBook(const std::filesystem::path& path) override {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return L"it is a directory, not a quote book";
        }
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return reasonOf(GetLastError());
        }
        const DWORD fileType = GetFileType(file);
        if (fileType != FILE_TYPE_DISK) {
            CloseHandle(file);
            return notRegularReason(fileType);
        }
        return std::make_unique<WindowsBook>(file);
    }

    std::optional<std::wstring> writeOutput(std::wstring_view text) override {
        if (const DWORD error = writeAll(STD_OUTPUT_HANDLE, text); error != ERROR_SUCCESS) {
            return reasonOf(error);
        }
        return std::nullopt;
    }

    // Nothing is left to tell of a failure to write an error message.
    void writeError(std::wstring_view text) override { writeAll(STD_ERROR_HANDLE, text); }

    bool writeOutputBytes(std::string_view bytes) override {
        const HANDLE stream = GetStdHandle(STD_OUTPUT_HANDLE);
        if (stream == nullptr || stream == INVALID_HANDLE_VALUE) {
            return false;
        }
        while (!bytes.empty()) {
            constexpr std::size_t kLargestWrite = 1U << 30U;
            DWORD written = 0;
            if (!WriteFile(stream, bytes.data(),
                           static_cast<DWORD>(std::min(bytes.size(), kLargestWrite)), &written,
                           nullptr) ||
                written == 0) {
                return false;
            }
            bytes.remove_prefix(written);
        }
        return true;
    }

    std::unique_ptr<FileReplacement>
    replaceFile(const std::filesystem::path& destination) override {
        return startFileReplacement(destination);
    }

    // Every specific locale (a language in a region) the system knows.
    std::vector<KnownLocale> knownLocales() const override {
        std::vector<KnownLocale> locales;
        EnumSystemLocalesEx(addLocale, LOCALE_SPECIFICDATA, reinterpret_cast<LPARAM>(&locales),
                            nullptr);
        return locales;
    }

    std::unique_ptr<QuotationFit> quotationFit() override { return makeQuotationFitWin(); }
};

} // namespace

std::unique_ptr<CheckerEnvironment> makeSystemEnvironment() {
    return std::make_unique<WindowsEnvironment>();
}

} // namespace quotidia
