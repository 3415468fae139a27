#include <gtest/gtest.h>

#include <ctime>

#include "platform/uefi/libc/calendar.h"

namespace {

struct tm fields(int year, int month, int day, int hour, int minute, int second) {
    struct tm calendar = {};
    calendar.tm_year = year - 1900;
    calendar.tm_mon = month;
    calendar.tm_mday = day;
    calendar.tm_hour = hour;
    calendar.tm_min = minute;
    calendar.tm_sec = second;
    calendar.tm_isdst = -1;
    return calendar;
}

void expectSameFields(const struct tm& actual, const struct tm& expected) {
    EXPECT_EQ(actual.tm_year, expected.tm_year);
    EXPECT_EQ(actual.tm_mon, expected.tm_mon);
    EXPECT_EQ(actual.tm_mday, expected.tm_mday);
    EXPECT_EQ(actual.tm_hour, expected.tm_hour);
    EXPECT_EQ(actual.tm_min, expected.tm_min);
    EXPECT_EQ(actual.tm_sec, expected.tm_sec);
    EXPECT_EQ(actual.tm_wday, expected.tm_wday);
    EXPECT_EQ(actual.tm_yday, expected.tm_yday);
}

void expectLikeTimegm(struct tm calendar) {
    struct tm expected = calendar;
    struct tm actual = calendar;
    time_t hostSeconds = timegm(&expected);
    EXPECT_EQ(uefilibc::calendarToSeconds(&actual), hostSeconds)
        << calendar.tm_year + 1900 << "-" << calendar.tm_mon << "-" << calendar.tm_mday;
    expectSameFields(actual, expected);
}

TEST(Calendar, ReferenceDateOfTheFruFormat) {
    struct tm reference = fields(1996, 0, 1, 0, 0, 0);
    EXPECT_EQ(uefilibc::calendarToSeconds(&reference), 820454400);
    EXPECT_EQ(reference.tm_wday, 1);  // a Monday
}

TEST(Calendar, FirstOfEveryMonthFrom1900To2200MatchesTimegm) {
    for (int year = 1900; year <= 2200; ++year) {
        for (int month = 0; month < 12; ++month)
            expectLikeTimegm(fields(year, month, 1, 12, 30, 15));
    }
}

TEST(Calendar, LeapDaysAndYearEnds) {
    expectLikeTimegm(fields(2000, 1, 29, 0, 0, 0));
    expectLikeTimegm(fields(2100, 1, 29, 0, 0, 0));  // not a leap year: March 1st
    expectLikeTimegm(fields(2024, 1, 29, 23, 59, 59));
    expectLikeTimegm(fields(1999, 11, 31, 23, 59, 59));
    expectLikeTimegm(fields(2038, 0, 19, 3, 14, 8));
}

TEST(Calendar, OutOfRangeFieldsCarryLikeTimegm) {
    expectLikeTimegm(fields(2020, 14, 1, 0, 0, 0));
    expectLikeTimegm(fields(2020, -1, 1, 0, 0, 0));
    expectLikeTimegm(fields(2020, 0, 0, 0, 0, 0));
    expectLikeTimegm(fields(2020, 0, 400, 0, 0, 0));
    expectLikeTimegm(fields(2020, 5, 15, -1, 0, 0));
    expectLikeTimegm(fields(2020, 5, 15, 25, 61, 61));
    expectLikeTimegm(fields(2020, 5, 15, 0, -90, -3600));
    expectLikeTimegm(fields(1969, 11, 31, 23, 59, 59));
}

TEST(Calendar, SecondsToFieldsMatchesGmtime) {
    for (int64_t seconds = -2208988800LL; seconds < 7258118400LL; seconds += 86400 * 37 + 3671) {
        time_t hostSeconds = static_cast<time_t>(seconds);
        struct tm expected;
        gmtime_r(&hostSeconds, &expected);
        struct tm actual;
        uefilibc::secondsToCalendar(seconds, &actual);
        expectSameFields(actual, expected);
    }
}

}  // namespace
