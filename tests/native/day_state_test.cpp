#include "day_state.h"

#include "fake_quotebook_platform.h"

#include <gtest/gtest.h>

namespace quotidia {
namespace {

using testing::FakeQuoteBookPlatform;

DateValue at(int year, int month, int day, double timeOfDay = 0.0) {
    return dateValueOf(CivilDate{year, month, day}, timeOfDay).value();
}

class DayStateTest : public ::testing::Test {
  protected:
    FakeQuoteBookPlatform platform;
    DayState state;

    void startOn(DateValue present) {
        platform.present = present;
        initialiseToPresent(state, platform);
    }

    std::wstring stepped(StepDirection direction) {
        EXPECT_TRUE(StepDay(state, direction, platform));
        return state.DayKey;
    }
};

TEST_F(DayStateTest, KeyIsMonthNameAndDayWithoutLeadingZero) {
    EXPECT_EQ(DayKeyFor(at(2024, 12, 6), platform), L"December 6");
    EXPECT_EQ(DayKeyFor(at(2024, 9, 9, 0.99), platform), L"September 9");
    EXPECT_EQ(DayKeyFor(at(2024, 1, 31), platform), L"January 31");
    EXPECT_EQ(DayKeyFor(-1.25, platform), L"December 29");
}

TEST_F(DayStateTest, KeyUsesTheLocalesMonthNames) {
    platform.months = {L"janvier", L"février", L"mars",      L"avril",   L"mai",      L"juin",
                       L"juillet", L"août",    L"septembre", L"octobre", L"novembre", L"décembre"};
    EXPECT_EQ(DayKeyFor(at(2024, 2, 9), platform), L"février 9");
    EXPECT_EQ(DayKeyFor(at(2024, 12, 6), platform), L"décembre 6");
}

TEST_F(DayStateTest, InitialiseTakesKeyAndMomentFromTheClock) {
    startOn(at(2024, 12, 6, 0.375));
    EXPECT_EQ(state.DayKey, L"December 6");
    EXPECT_EQ(state.CurrentDay, at(2024, 12, 6, 0.375));
    EXPECT_TRUE(state.QuoteText.empty());
}

TEST_F(DayStateTest, StepsDayByDayKeepingTheTimeOfDay) {
    startOn(at(2024, 12, 6, 0.5));
    EXPECT_EQ(stepped(StepDirection::back), L"December 5");
    EXPECT_EQ(stepped(StepDirection::forward), L"December 6");
    EXPECT_EQ(stepped(StepDirection::forward), L"December 7");
    EXPECT_EQ(state.CurrentDay, at(2024, 12, 7, 0.5));
}

TEST_F(DayStateTest, StepsAcrossMonthYearAndLeapDayEnds) {
    startOn(at(2024, 3, 1));
    EXPECT_EQ(stepped(StepDirection::back), L"February 29");
    startOn(at(2023, 3, 1));
    EXPECT_EQ(stepped(StepDirection::back), L"February 28");
    startOn(at(2024, 2, 28));
    EXPECT_EQ(stepped(StepDirection::forward), L"February 29");
    startOn(at(1900, 2, 28));
    EXPECT_EQ(stepped(StepDirection::forward), L"March 1");
    startOn(at(2025, 1, 1));
    EXPECT_EQ(stepped(StepDirection::back), L"December 31");
    EXPECT_EQ(civilDateOf(state.CurrentDay), (CivilDate{2024, 12, 31}));
    EXPECT_EQ(stepped(StepDirection::forward), L"January 1");
    startOn(at(2024, 4, 30));
    EXPECT_EQ(stepped(StepDirection::forward), L"May 1");
}

TEST_F(DayStateTest, StepsAcrossTheOriginWithATimeOfDay) {
    startOn(at(1899, 12, 29, 0.25));
    EXPECT_EQ(stepped(StepDirection::forward), L"December 30");
    EXPECT_EQ(stepped(StepDirection::forward), L"December 31");
    EXPECT_EQ(stepped(StepDirection::back), L"December 30");
    EXPECT_EQ(stepped(StepDirection::back), L"December 29");
    EXPECT_EQ(state.CurrentDay, at(1899, 12, 29, 0.25));
}

TEST_F(DayStateTest, StepsOutOfTheRangeAreRefusedAndChangeNothing) {
    for (const auto& [start, direction] :
         {std::pair{at(100, 1, 1, 0.5), StepDirection::back},
          std::pair{at(9999, 12, 31, 0.5), StepDirection::forward}}) {
        startOn(start);
        state.QuoteText = L"\rkept";
        const DayState before = state;
        EXPECT_FALSE(StepDay(state, direction, platform));
        EXPECT_EQ(state.CurrentDay, before.CurrentDay);
        EXPECT_EQ(state.DayKey, before.DayKey);
        EXPECT_EQ(state.QuoteText, before.QuoteText);
        // The other way is still open.
        EXPECT_TRUE(
            StepDay(state, static_cast<StepDirection>(-static_cast<int>(direction)), platform));
    }
}

} // namespace
} // namespace quotidia
