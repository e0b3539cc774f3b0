#include "errors_win.h"

#include "app_identity.h"

#include <exception>
#include <new>
#include <utility>

namespace quotidia::forms {

namespace {

// The message as what() gives it: ASCII kept, everything else a question mark.
std::string asciiOf(const std::wstring& text) {
    constexpr wchar_t kFirstNonAscii = 0x80;
    std::string result;
    for (const wchar_t character : text) {
        result.push_back(character < kFirstNonAscii ? static_cast<char>(character) : '?');
    }
    return result;
}

// What a standard exception says, a character for each byte.
std::wstring textOfWhat(const char* what) {
    std::wstring text;
    for (const char* byte = what; *byte != '\0'; ++byte) {
        text += static_cast<wchar_t>(static_cast<unsigned char>(*byte));
    }
    return text;
}

} // namespace

FormsError::FormsError(std::wstring message)
    : std::runtime_error(asciiOf(message)), message_(std::move(message)) {}

std::wstring systemMessageOf(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length > 0 ? std::wstring(buffer, length) : std::wstring();
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    return text;
}

std::wstring lastErrorText(DWORD code) {
    return systemMessageOf(code) + L" (" + std::to_wstring(code) + L")";
}

std::wstring lastErrorMessage(std::wstring_view operation) {
    const DWORD code = GetLastError();
    return std::wstring(operation) + L" failed: " + lastErrorText(code);
}

void throwLastError(std::wstring_view operation) {
    throw FormsError(lastErrorMessage(operation));
}

void reportErrorAndEnd(std::wstring_view message) {
    const std::wstring text = L"Run-time error:\n\n" + std::wstring(message);
    MessageBoxW(nullptr, text.c_str(), kAppTitle, MB_OK | MB_ICONERROR | MB_TASKMODAL);
    ExitProcess(1);
}

void reportCurrentExceptionAndEnd() noexcept {
    try {
        throw;
    } catch (const FormsError& error) {
        reportErrorAndEnd(error.message());
    } catch (const std::bad_alloc&) {
        reportErrorAndEnd(L"Out of memory");
    } catch (const std::exception& error) {
        reportErrorAndEnd(textOfWhat(error.what()));
    } catch (...) {
        reportErrorAndEnd(L"Unknown error");
    }
}

} // namespace quotidia::forms
