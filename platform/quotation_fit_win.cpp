#include "quotation_fit_win.h"

#include "forms_runtime_win.h"
#include "quotation_area_win.h"
#include "unique_handles_win.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quotidia {

namespace {

using UniqueHdc = UniqueHandleOf<HDC, DeleteDC>;

// The window is laid out for 96 DPI and scaled from there; the text wraps the same.
constexpr UINT kDpi = USER_DEFAULT_SCREEN_DPI;

// A memory device context with the label's font selected, and the label's area.
class QuotationFitWin : public QuotationFit {
  public:
    QuotationFitWin(UniqueHdc dc, UniqueHFont font, SIZE area, int lineHeight)
        : dc_(std::move(dc)), font_(std::move(font)), area_(area), lineHeight_(lineHeight),
          previousFont_(SelectObject(dc_.get(), font_.get())) {}

    ~QuotationFitWin() override { SelectObject(dc_.get(), previousFont_); }

    QuotationFitWin(const QuotationFitWin&) = delete;
    QuotationFitWin& operator=(const QuotationFitWin&) = delete;

    int overflowingLines(std::wstring_view quoteText) override {
        // The label draws with the flags of a left-aligned static text without prefixes.
        RECT needed{0, 0, area_.cx, 0};
        DrawTextW(dc_.get(), quoteText.data(), static_cast<int>(quoteText.size()), &needed,
                  DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
        if (needed.bottom <= area_.cy || lineHeight_ <= 0) {
            return 0;
        }
        // A line only partly inside the area is cut off as well.
        const int lines = (needed.bottom + lineHeight_ - 1) / lineHeight_;
        return lines - area_.cy / lineHeight_;
    }

    std::wstring description() const override {
        return L"\nEntries too long for the quotation area: each entry's text is measured as\n"
               L"Quotidia's window draws it, in the quotation label's font \"" +
               std::wstring(quotation_area::kFontFace) + L"\" " +
               std::to_wstring(static_cast<int>(quotation_area::kFontPoints)) +
               L" pt, in its\narea of " + std::to_wstring(area_.cx) + L" x " +
               std::to_wstring(area_.cy) +
               L" pixels at 96 DPI, word-wrapped, below the same empty first line.\n"
               L"Where no font of that name is installed, the measurement uses the same\n"
               L"fallback face the window gets; on this machine that font is drawn in \"" +
               drawnFace() + L"\".\nOn a machine with other fonts the text may wrap differently.\n";
    }

  private:
    // The family of the font file the text is drawn in, which a substitute never shows.
    std::wstring drawnFace() const {
        const UINT size = GetOutlineTextMetricsW(dc_.get(), 0, nullptr);
        if (size == 0) {
            return {};
        }
        std::vector<std::byte> buffer(size);
        auto* metrics = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
        if (GetOutlineTextMetricsW(dc_.get(), size, metrics) == 0) {
            return {};
        }
        return reinterpret_cast<const wchar_t*>(
            buffer.data() + reinterpret_cast<std::uintptr_t>(metrics->otmpFamilyName));
    }

    UniqueHdc dc_;
    UniqueHFont font_;
    SIZE area_;
    int lineHeight_;
    HGDIOBJ previousFont_;
};

} // namespace

std::unique_ptr<QuotationFit> makeQuotationFitWin() {
    UniqueHdc dc(CreateCompatibleDC(nullptr));
    if (!dc) {
        return nullptr;
    }
    UniqueHFont font;
    try {
        font = forms::makeFont(
            forms::FontSpec{quotation_area::kFontFace, quotation_area::kFontPoints}, kDpi);
    } catch (const forms::FormsError&) {
        return nullptr;
    }
    // Edges are converted as the window converts them.
    const SIZE area{forms::twipsToPixels(quotation_area::kLeft + quotation_area::kWidth, kDpi) -
                        forms::twipsToPixels(quotation_area::kLeft, kDpi),
                    forms::twipsToPixels(quotation_area::kTop + quotation_area::kHeight, kDpi) -
                        forms::twipsToPixels(quotation_area::kTop, kDpi)};
    const HGDIOBJ previous = SelectObject(dc.get(), font.get());
    TEXTMETRICW metrics{};
    const bool measured = GetTextMetricsW(dc.get(), &metrics) != FALSE;
    SelectObject(dc.get(), previous);
    if (!measured) {
        return nullptr;
    }
    return std::make_unique<QuotationFitWin>(std::move(dc), std::move(font), area,
                                             static_cast<int>(metrics.tmHeight));
}

} // namespace quotidia
