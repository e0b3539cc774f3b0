#pragma once
// The measure of the quotation area on Windows: the text drawn as the main window's
// quotation label draws it.

#include "quotation_fit.h"

#include <memory>

namespace quotidia {

// nullptr when the font or a device context for measuring cannot be made.
std::unique_ptr<QuotationFit> makeQuotationFitWin();

} // namespace quotidia
