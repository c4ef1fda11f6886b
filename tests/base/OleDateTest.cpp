#include "platform/base/OleDate.h"
#include "platform/base/UserLocale.h"
#include "tests/support/ScopedUserLocale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tarnwel;

namespace {

class OleDate : public ::testing::Test {
protected:
    test::CScopedUserLocale m_locale;
};

} // namespace

TEST_F(OleDate, NewDateIsDayZeroAndValid)
{
    const COleDate date;
    EXPECT_TRUE(date.IsValid());
    EXPECT_EQ(date.Days(), 0.0);
    EXPECT_EQ(date.Format("%Y-%m-%d %H:%M:%S"), "1899-12-30 00:00:00");
}

TEST_F(OleDate, DayCountsFollowTheOleConvention)
{
    struct Case {
        double days;
        const char* text;
    };
    const Case cases[] = {
        {1.0, "1899-12-31 00:00:00"},
        {2.5, "1900-01-01 12:00:00"},
        {-1.25, "1899-12-29 06:00:00"},   // negative days: the fraction still counts forward
        {38047.395833333336, "2004-03-01 09:30:00"},
        {36526.0, "2000-01-01 00:00:00"},
        {2958465.0, "9999-12-31 00:00:00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(COleDate(c.days).Format("%Y-%m-%d %H:%M:%S"), c.text) << c.days;
        const COleDate parsed = COleDate::Parse(c.text);
        ASSERT_TRUE(parsed.IsValid()) << c.text;
        EXPECT_NEAR(parsed.Days(), c.days, 1e-9) << c.text;
    }
    // Day 0 has two spellings of each time: -0.5 and 0.5 are both its noon.
    EXPECT_EQ(COleDate(-0.5).Format("%Y-%m-%d %H:%M:%S"), "1899-12-30 12:00:00");
}

TEST_F(OleDate, FieldsRoundTripToTheSecond)
{
    for (int year : {100, 1899, 1900, 1970, 2004, 2024, 4501, 9999}) {
        const COleDate date = COleDate::FromFields(year, 2, 28, 23, 59, 59);
        COleDate::Fields f;
        ASSERT_TRUE(date.GetFields(f)) << year;
        EXPECT_EQ(f.year, year);
        EXPECT_EQ(f.month, 2);
        EXPECT_EQ(f.day, 28);
        EXPECT_EQ(f.hour, 23);
        EXPECT_EQ(f.minute, 59);
        EXPECT_EQ(f.second, 59);
    }
}

TEST_F(OleDate, FromFieldsRejectsWhatNoCalendarHolds)
{
    EXPECT_FALSE(COleDate::FromFields(2023, 2, 29).IsValid());
    EXPECT_TRUE(COleDate::FromFields(2024, 2, 29).IsValid());
    EXPECT_FALSE(COleDate::FromFields(2024, 13, 1).IsValid());
    EXPECT_FALSE(COleDate::FromFields(2024, 4, 31).IsValid());
    EXPECT_FALSE(COleDate::FromFields(2024, 1, 1, 24).IsValid());
    EXPECT_FALSE(COleDate::FromFields(99, 1, 1).IsValid());
    EXPECT_FALSE(COleDate::FromFields(10000, 1, 1).IsValid());
}

TEST_F(OleDate, FormatsTheSystemsPatterns)
{
    const COleDate date = COleDate::FromFields(2004, 3, 5, 14, 30, 7);
    EXPECT_EQ(date.Format("%Y-%m-%d %H:%M:%S"), "2004-03-05 14:30:07");
    EXPECT_EQ(date.Format("%d/%b/%y %H:%M"), "05/Mar/04 14:30");
    EXPECT_EQ(date.Format("%d/%m/%Y %H:%M:%S"), "05/03/2004 14:30:07");
    EXPECT_EQ(date.Format("%A %a %B %% %q"), "Friday Fri March % %q");
    EXPECT_EQ(date.FormatLocaleDate(), "05.03.2004");
    EXPECT_EQ(COleDate::Invalid().Format("%Y"), "");
    EXPECT_EQ(COleDate::Null().FormatLocaleDate(), "");
}

TEST_F(OleDate, LocaleDateFormFollowsTheLocaleName)
{
    struct Case {
        const char* locale;
        const char* text;
    };
    const Case cases[] = {
        {"de_DE.UTF-8", "24.11.2026"}, {"de_AT", "24.11.2026"}, {"C", "24.11.2026"},
        {"POSIX", "24.11.2026"},       {"xx_YY", "24.11.2026"}, {"en_US.UTF-8", "11/24/2026"},
        {"en_GB.UTF-8", "24/11/2026"}, {"fr_FR@euro", "24/11/2026"}, {"sv_SE", "2026-11-24"},
    };
    const COleDate date = COleDate::FromFields(2026, 11, 24, 6, 39, 29);
    for (const Case& c : cases) {
        CUserLocale::Use(c.locale);
        EXPECT_EQ(date.FormatLocaleDate(), c.text) << c.locale;
        EXPECT_EQ(COleDate::Parse(c.text).Days(), COleDate::FromFields(2026, 11, 24).Days()) << c.locale;
    }
}

TEST_F(OleDate, ParserAcceptsTheSystemsForms)
{
    struct Case {
        const char* text;
        const char* expected;  // "%Y-%m-%d %H:%M:%S"
    };
    const Case cases[] = {
        {"2004-03-01 09:30:00", "2004-03-01 09:30:00"},
        {"2004-03-01 09:30", "2004-03-01 09:30:00"},
        {"2004-03-01", "2004-03-01 00:00:00"},
        {"2004-03-01T09:30:00", "2004-03-01 09:30:00"},
        {"2004-3-1", "2004-03-01 00:00:00"},
        {"4501-01-01", "4501-01-01 00:00:00"},
        {"  01.03.2004  ", "2004-03-01 00:00:00"},
        {"1.3.2004 9:05", "2004-03-01 09:05:00"},
        {"08/12/2026 06:39:29", "2026-12-08 06:39:29"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(COleDate::Parse(c.text).Format("%Y-%m-%d %H:%M:%S"), c.expected) << c.text;
}

// The wire form is read without the patterns; it must give what the pattern
// gives, down to the status, for every text of its shape and its near misses.
TEST_F(OleDate, WireFormReadsAsItsPatternDoes)
{
    for (const char* text : {"2004-03-01 09:30:00", "1850-06-15 18:45:59", "0100-01-01 00:00:00",
                             "9999-12-31 23:59:59", "2024-02-29 12:00:00", "2023-02-29 12:00:00",
                             "0099-12-31 23:59:59", "2004-13-01 09:30:00", "2004-00-10 09:30:00",
                             "2004-03-01 24:00:00", "2004-03-01 09:60:00", "2004-03-01 09:30:60",
                             "2004-0a-01 09:30:00", "2004-03-01 09:3 :00", "2004-03-01\t09:30:00",
                             "2004-03-01  9:30:00", "2004-3-01 09:30:001", "-004-03-01 09:30:00"}) {
        const COleDate parsed = COleDate::Parse(text);
        const COleDate expected = COleDate::ParseWithPattern(text, "%Y-%m-%d %H:%M:%S");
        EXPECT_EQ(parsed.GetStatus(), expected.GetStatus()) << text;
        if (expected.IsValid()) {
            EXPECT_EQ(parsed.Days(), expected.Days()) << text;
        }
    }
}

TEST_F(OleDate, TextsThatAreNoDateGiveAnInvalidDate)
{
    for (const char* text : {"", "   ", "abc", "2004-13-01", "2004-02-30", "31.04.2004", "2004-03-01 25:00",
                             "2004-03-01 09:30:00.000", "2004-03-01x", "1.2", "99999-01-01", "%Y"}) {
        const COleDate date = COleDate::Parse(text);
        EXPECT_EQ(date.GetStatus(), COleDate::Status::invalid) << text;
    }
}

// The status shares the 8 bytes of the day count: each status keeps what it
// tells, a date that is not valid still counts as day 0, and a day count
// that is no number cannot pass for a valid date.
TEST_F(OleDate, StatusesKeepTheirOwnMeaningBesideTheDayCount)
{
    static_assert(sizeof(COleDate) == sizeof(double));
    const COleDate invalid = COleDate::Invalid();
    const COleDate null = COleDate::Null();
    EXPECT_EQ(invalid.GetStatus(), COleDate::Status::invalid);
    EXPECT_EQ(null.GetStatus(), COleDate::Status::null);
    EXPECT_EQ(invalid.Days(), 0.0);
    EXPECT_EQ(null.Days(), 0.0);
    EXPECT_FALSE(invalid == null);
    EXPECT_FALSE(invalid == COleDate());
    EXPECT_TRUE(null == COleDate::Null());
    EXPECT_TRUE(invalid.IsBefore(COleDate(1.0)));
    EXPECT_FALSE(invalid.IsBefore(COleDate(-1.0)));
    EXPECT_TRUE(invalid.Format("%Y").empty());
    EXPECT_EQ(COleDate(std::nan("")).GetStatus(), COleDate::Status::invalid);
    EXPECT_EQ(COleDate(-std::numeric_limits<double>::quiet_NaN()).Days(), 0.0);
}

TEST_F(OleDate, ParseWithPatternIsExact)
{
    EXPECT_EQ(COleDate::ParseWithPattern("08/12/2026 06:39:29", "%d/%m/%Y %H:%M:%S").Format("%Y-%m-%d"),
              "2026-12-08");
    EXPECT_EQ(COleDate::ParseWithPattern("05/Mar/04 14:30", "%d/%b/%y %H:%M").Format("%Y-%m-%d %H:%M"),
              "2004-03-05 14:30");
    EXPECT_EQ(COleDate::ParseWithPattern("05/Mar/95", "%d/%b/%y").GetYear(), 1995);
    EXPECT_FALSE(COleDate::ParseWithPattern("08/12/2026", "%d/%m/%Y %H:%M:%S").IsValid());
    EXPECT_FALSE(COleDate::ParseWithPattern("08-12-2026", "%d/%m/%Y").IsValid());
}

TEST_F(OleDate, ArithmeticAndOrderFollowTheTimeLine)
{
    const COleDate before = COleDate::FromFields(1899, 12, 29, 18, 0, 0);  // -1.75
    const COleDate after = before.AddDays(0.5);
    EXPECT_EQ(after.Format("%Y-%m-%d %H:%M"), "1899-12-30 06:00");
    EXPECT_TRUE(before.IsBefore(after));
    EXPECT_TRUE(after.IsAfter(before));
    EXPECT_TRUE(COleDate(-1.25).IsBefore(COleDate(-1.75)));  // 06:00 comes before 18:00 that day
    EXPECT_EQ(COleDate::FromFields(2026, 3, 1).AddDays(-14).Format("%Y-%m-%d"), "2026-02-15");
    EXPECT_EQ(COleDate::FromFields(2026, 3, 1, 10, 15, 42).WithoutSeconds().Format("%H:%M:%S"), "10:15:00");
    EXPECT_FALSE(COleDate::Invalid().AddDays(1).IsValid());
}

TEST_F(OleDate, EveryParsedDateFormatsAndParsesBackToTheSecond)
{
    struct Case {
        const char* text;
        const char* expected;  // "%Y-%m-%d %H:%M:%S"
    };
    const Case cases[] = {
        {"0100-01-01 00:00:00", "0100-01-01 00:00:00"},  // the first valid second
        {"0100-01-01 02:05:00", "0100-01-01 02:05:00"},  // a time on the first valid day
        {"0100-01-01 23:59:59", "0100-01-01 23:59:59"},
        {"1.1.0100 12:00", "0100-01-01 12:00:00"},
        {"0100-12-31 18:30:15", "0100-12-31 18:30:15"},
        {"1600-02-29 06:00:00", "1600-02-29 06:00:00"},
        {"1899-12-29 23:59:59", "1899-12-29 23:59:59"},  // the last second before day 0
        {"1899-12-30 00:00:00", "1899-12-30 00:00:00"},
        {"1899-12-30 00:00:01", "1899-12-30 00:00:01"},
        {"1899-12-30 23:59:59", "1899-12-30 23:59:59"},
        {"1900-02-28 23:59:59", "1900-02-28 23:59:59"},
        {"2000-02-29 12:34:56", "2000-02-29 12:34:56"},
        {"4501-01-01", "4501-01-01 00:00:00"},
        {"9999-12-31 23:59:59", "9999-12-31 23:59:59"},  // the last valid second
    };
    const char* locales[] = {"de_DE.UTF-8", "en_US.UTF-8", "sv_SE", "hu_HU"};
    for (const char* locale : locales) {
        CUserLocale::Use(locale);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(locale) + " " + c.text);
            const COleDate date = COleDate::Parse(c.text);
            ASSERT_TRUE(date.IsValid());
            const std::string iso = date.Format("%Y-%m-%d %H:%M:%S");
            EXPECT_EQ(iso, c.expected);
            EXPECT_EQ(COleDate::Parse(iso), date);
            const std::string lastRun = date.Format("%d/%m/%Y %H:%M:%S");
            EXPECT_EQ(COleDate::ParseWithPattern(lastRun, "%d/%m/%Y %H:%M:%S"), date);
            // The locale form holds the day alone.
            const COleDate day = COleDate::Parse(date.FormatLocaleDate());
            EXPECT_EQ(day.Format("%Y-%m-%d %H:%M:%S"), iso.substr(0, 10) + " 00:00:00");
        }
    }
    for (const char* outside : {"0099-12-31 23:59:59", "0000-01-01", "10000-01-01", "31.12.0099 23:59"})
        EXPECT_FALSE(COleDate::Parse(outside).IsValid()) << outside;
}
