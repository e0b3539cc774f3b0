#pragma once
// Where the main window shows the day's quotations and in which font: the quotation
// label's place in twips on the window's client area. The window lays the label out
// from these, and quotidia-check measures entries against them.

namespace quotidia::quotation_area {

inline constexpr int kLeft = 360;
inline constexpr int kTop = 840;
inline constexpr int kWidth = 5655;
inline constexpr int kHeight = 1350;

inline constexpr const wchar_t* kFontFace = L"garamond";
inline constexpr double kFontPoints = 12;

} // namespace quotidia::quotation_area
