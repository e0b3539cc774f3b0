#pragma once
// The Win32 side's one vocabulary for failures: the error a failed Win32 call raises,
// named with the system's text for the thread's last error, and the standard error
// report that ends the program when any failure reaches a window procedure or start-up.

#include <windows.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace quotidia::forms {

// A failure of a Win32 call. Nothing handles it inside a form: it reaches the window
// procedure, which ends the program with the standard error report.
class FormsError : public std::runtime_error {
  public:
    explicit FormsError(std::wstring message);
    const std::wstring& message() const noexcept { return message_; }

  private:
    std::wstring message_;
};

// The system's text for an error code, without its line end: "Access is denied."; empty
// when the system has none.
std::wstring systemMessageOf(DWORD code);

// The system's text for an error code, followed by the code: "Access is denied. (5)".
std::wstring lastErrorText(DWORD code);

// The failed operation and the system's reason for the thread's last error:
// "GetMessageW failed: Access is denied. (5)".
std::wstring lastErrorMessage(std::wstring_view operation);

// Throws a FormsError naming the operation and the thread's last error.
[[noreturn]] void throwLastError(std::wstring_view operation);

// The standard error report: a message box naming the error, then the end of the process.
[[noreturn]] void reportErrorAndEnd(std::wstring_view message);

// The standard error report for the exception being handled, whatever its type. Called
// in a catch (...) block at the edges where nothing may unwind further: the window
// procedure, which the system calls, and the program's entry point.
[[noreturn]] void reportCurrentExceptionAndEnd() noexcept;

} // namespace quotidia::forms
