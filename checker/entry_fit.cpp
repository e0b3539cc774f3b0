#include "checker/entry_fit.h"

#include "quotebook/quote_lookup.h"

#include <algorithm>

namespace quotidia {

void appendQuotationLine(std::wstring& entryText, std::wstring_view line) {
    if (entryText.size() >= kMaxQuoteTextLength) {
        return;
    }
    entryText += L'\r';
    entryText += line.substr(0, kMaxQuoteTextLength - entryText.size());
}

std::wstring entryTooLongMessage(std::wstring_view dayKey, int overflowingLines) {
    const std::wstring lines =
        overflowingLines == 1 ? L"1 line" : std::to_wstring(overflowingLines) + L" lines";
    return L"the entry for \"" + std::wstring(dayKey) +
           L"\" does not fit the quotation area: its last " + lines +
           L" as the window wraps them " + (overflowingLines == 1 ? L"is" : L"are") + L" cut off";
}

} // namespace quotidia
