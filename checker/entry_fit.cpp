#include "entry_fit.h"

#include "quote_lookup.h"

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
    const std::wstring count = std::to_wstring(overflowingLines);
    return L"the entry for \"" + std::wstring(dayKey) +
           L"\" does not fit the quotation area: as the window wraps it, " +
           (overflowingLines == 1 ? L"1 line overflows and is cut off"
                                  : count + L" lines overflow and are cut off");
}

} // namespace quotidia
