#include "copy_text.h"

#include <gtest/gtest.h>

namespace quotidia {
namespace {

TEST(DayCopyText, DateThenAnEmptyLineThenEachQuotationLineEndedByCrLf) {
    EXPECT_EQ(dayCopyText(L"Sunday, December 6, 2026", L"\rFirst line\rSecond line"),
              L"Sunday, December 6, 2026\r\n\r\nFirst line\r\nSecond line\r\n");
    EXPECT_EQ(dayCopyText(L"6 d\u00E9cembre 2026", L"\r  \u00AB Un \u00BB & deux  "),
              L"6 d\u00E9cembre 2026\r\n\r\n  \u00AB Un \u00BB & deux  \r\n");
}

TEST(DayCopyText, DayWithoutAnEntryCopiesItsDateAlone) {
    EXPECT_EQ(dayCopyText(L"Tuesday, December 8, 2026", L""), L"Tuesday, December 8, 2026\r\n");
}

} // namespace
} // namespace quotidia
