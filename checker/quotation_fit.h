#pragma once
// Whether a day's text fits the main window's quotation area, measured where the
// system can draw text the way the window does.

#include <string>
#include <string_view>

namespace quotidia {

class QuotationFit {
  public:
    virtual ~QuotationFit() = default;

    // How many lines of the text, as the lookup returns it (each quotation line after a
    // carriage return), fall below the quotation area and are cut off; 0 when it fits.
    virtual int overflowingLines(std::wstring_view quoteText) = 0;

    // How the text is measured, for the help: the font, the area, the fallbacks.
    virtual std::wstring description() const = 0;
};

} // namespace quotidia
