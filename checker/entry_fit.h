#pragma once
// The pieces of the check that an entry fits the quotation area which do not depend on
// how text is measured: the entry's text as the lookup returns it, and the report.

#include <string>
#include <string_view>

namespace quotidia {

// Appends a quotation line to an entry's text the way the lookup does: after a carriage
// return, and no further than the lookup's bound, where the text is cut off anyway.
void appendQuotationLine(std::wstring& entryText, std::wstring_view line);

std::wstring entryTooLongMessage(std::wstring_view dayKey, int overflowingLines);

} // namespace quotidia
