#include "date_value.h"

#include <gtest/gtest.h>

namespace quotidia {
namespace {

DateValue valueOf(int year, int month, int day, double timeOfDay = 0.0) {
    const std::optional<DateValue> value = dateValueOf(CivilDate{year, month, day}, timeOfDay);
    EXPECT_TRUE(value.has_value()) << year << '-' << month << '-' << day;
    return value.value_or(0.0);
}

TEST(DateValue, KnownDaysHaveTheirCounts) {
    EXPECT_EQ(valueOf(1899, 12, 30), 0.0);
    EXPECT_EQ(valueOf(1900, 1, 1), 2.0);
    EXPECT_EQ(valueOf(2000, 1, 1), 36526.0);
    EXPECT_EQ(valueOf(100, 1, 1), kFirstDateValue);
    EXPECT_EQ(valueOf(9999, 12, 31), kLastDateValue);
    EXPECT_EQ(civilDateOf(kFirstDateValue), (CivilDate{100, 1, 1}));
    EXPECT_EQ(civilDateOf(kLastDateValue + 0.999), (CivilDate{9999, 12, 31}));
}

TEST(DateValue, EveryDayOfTheRangeConvertsBothWays) {
    CivilDate expected{100, 1, 1};
    for (auto day = static_cast<long>(kFirstDateValue); day <= static_cast<long>(kLastDateValue);
         ++day) {
        const CivilDate date = civilDateOf(static_cast<DateValue>(day));
        ASSERT_EQ(date, expected) << "day " << day;
        ASSERT_EQ(dateValueOf(date), static_cast<DateValue>(day));
        if (++expected.day > daysInMonth(expected.year, expected.month)) {
            expected.day = 1;
            if (++expected.month > 12) {
                expected.month = 1;
                ++expected.year;
            }
        }
    }
}

TEST(DateValue, NegativeValuesCountTheTimeOfDayForward) {
    EXPECT_EQ(civilDateOf(-1.25), (CivilDate{1899, 12, 29}));
    EXPECT_DOUBLE_EQ(timeOfDayOf(-1.25), 0.25);
    EXPECT_EQ(valueOf(1899, 12, 29, 0.25), -1.25);
    EXPECT_EQ(civilDateOf(-0.5), (CivilDate{1899, 12, 30}));
    EXPECT_DOUBLE_EQ(timeOfDayOf(-0.5), 0.5);
}

TEST(DateValue, RejectsDatesThatDoNotExistOrLieOutsideTheRange) {
    EXPECT_FALSE(dateValueOf(CivilDate{1900, 2, 29}));
    EXPECT_FALSE(dateValueOf(CivilDate{2023, 4, 31}));
    EXPECT_FALSE(dateValueOf(CivilDate{2023, 13, 1}));
    EXPECT_FALSE(dateValueOf(CivilDate{99, 12, 31}));
    EXPECT_FALSE(dateValueOf(CivilDate{10000, 1, 1}));
    EXPECT_FALSE(dateValueOf(CivilDate{2000, 1, 1}, 1.0));
    EXPECT_TRUE(dateValueOf(CivilDate{2000, 2, 29}));
    EXPECT_TRUE(dateValueOf(CivilDate{1600, 2, 29}));

    EXPECT_TRUE(isValidDateValue(kFirstDateValue - 0.999));
    EXPECT_FALSE(isValidDateValue(kFirstDateValue - 1.0));
    EXPECT_TRUE(isValidDateValue(kLastDateValue + 0.999));
    EXPECT_FALSE(isValidDateValue(kLastDateValue + 1.0));
}

TEST(DateValue, WeekdaysOfKnownDates) {
    EXPECT_EQ(weekdayOf(CivilDate{1899, 12, 30}), 6); // Saturday
    EXPECT_EQ(weekdayOf(CivilDate{2000, 1, 1}), 6);
    EXPECT_EQ(weekdayOf(CivilDate{2024, 12, 6}), 5); // Friday
    EXPECT_EQ(weekdayOf(CivilDate{100, 1, 1}), 5);
    EXPECT_EQ(weekdayOf(CivilDate{9999, 12, 31}), 5);
}

TEST(AddDays, KeepsTheTimeOfDayAcrossTheOrigin) {
    // Plain addition of 1.0 to -1.25 gives -0.25, which is 30 December, not 31.
    const DateValue dec29Morning = valueOf(1899, 12, 29, 0.25);
    const DateValue dec30Morning = addDays(dec29Morning, 1).value();
    EXPECT_EQ(civilDateOf(dec30Morning), (CivilDate{1899, 12, 30}));
    EXPECT_DOUBLE_EQ(timeOfDayOf(dec30Morning), 0.25);
    const DateValue dec31Morning = addDays(dec30Morning, 1).value();
    EXPECT_EQ(dec31Morning, 1.25);
    EXPECT_EQ(addDays(dec31Morning, -1).value(), dec30Morning);
    EXPECT_EQ(addDays(dec30Morning, -1).value(), -1.25);
    EXPECT_EQ(addDays(valueOf(1899, 12, 28, 0.75), 1).value(), -1.75);
}

TEST(AddDays, RefusesToLeaveTheRange) {
    EXPECT_FALSE(addDays(kFirstDateValue - 0.5, -1));
    EXPECT_FALSE(addDays(kLastDateValue + 0.5, 1));
    EXPECT_EQ(addDays(kFirstDateValue - 0.5, 1).value(), kFirstDateValue + 1 - 0.5);
    EXPECT_EQ(addDays(kLastDateValue + 0.5, -1).value(), kLastDateValue - 1 + 0.5);
    EXPECT_FALSE(addDays(kLastDateValue + 1.0, -1));
}

} // namespace
} // namespace quotidia
