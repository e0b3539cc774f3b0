#include "copy_text.h"

namespace quotidia {

std::wstring dayCopyText(std::wstring_view longDate, std::wstring_view quoteText) {
    constexpr std::wstring_view lineEnd = L"\r\n";
    std::wstring text(longDate);
    text += lineEnd;
    if (quoteText.empty()) {
        return text;
    }
    text += lineEnd;
    // The lookup puts a carriage return before every line: the first stands for the
    // empty line written above, each other one ends the line before it.
    if (quoteText.front() == L'\r') {
        quoteText.remove_prefix(1);
    }
    for (std::size_t start = 0;;) {
        const std::size_t end = quoteText.find(L'\r', start);
        text += quoteText.substr(start, end - start);
        text += lineEnd;
        if (end == std::wstring_view::npos) {
            return text;
        }
        start = end + 1;
    }
}

} // namespace quotidia
