#pragma once
// The system's date value: a day count since 30 December 1899 00:00 as a double
// plus a status. The integer part counts days, the fraction is the time of day;
// for dates before 30 December 1899 the fraction still counts forward from
// midnight (-1.25 is 29 December 1899, 06:00). A new value is 0.0 and valid.
//
// The status lives in the day count itself: an invalid or null date holds a
// NaN of its own, so that a date takes 8 bytes (the records hold many dates).
// A date that is not valid tells 0.0 as its day count, as it always did.

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwel {

class COleDate {
public:
    enum class Status { valid, invalid, null };

    struct Fields {
        int year = 1899;
        int month = 12;   // 1-12
        int day = 30;     // 1-31
        int hour = 0;
        int minute = 0;
        int second = 0;
        int dayOfWeek = 0;  // 0 Sunday .. 6 Saturday
    };

    COleDate() = default;
    // A day count that is no number gives an invalid date.
    explicit COleDate(double days) : m_days(std::isnan(days) ? std::bit_cast<double>(kInvalidBits) : days) {}

    // A valid date from calendar fields, or an invalid one when a field is out
    // of range (years 100 to 9999, real days of the month, 24-hour time).
    static COleDate FromFields(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
    static COleDate Invalid();
    static COleDate Null();
    // The current local time, to the second.
    static COleDate Now();

    // Forgiving parser: accepts "%Y-%m-%d" (with " %H:%M" or " %H:%M:%S", also
    // after a "T"), the user locale's date form with or without such a time,
    // and the day-first forms "%d.%m.%Y" and "%d/%m/%Y" with or without a time.
    // Leading and trailing white space is ignored. A text that is no date gives
    // an invalid date; it never throws.
    static COleDate Parse(std::string_view text);

    // Parses `text` with one pattern of %Y (four digits), %y (two digits, 00-29
    // in 2000-2029, 30-99 in 1930-1999), %m %d %H %M %S (one or two digits) and
    // %b (English month abbreviation); a blank in the pattern matches one or
    // more white-space characters, everything else matches itself. The whole
    // text must match. Missing time fields are 0.
    static COleDate ParseWithPattern(std::string_view text, std::string_view pattern);

    double Days() const { return IsValid() ? m_days : 0.0; }
    Status GetStatus() const
    {
        if (IsValid())
            return Status::valid;
        return std::bit_cast<std::uint64_t>(m_days) == kNullBits ? Status::null : Status::invalid;
    }
    bool IsValid() const { return !std::isnan(m_days); }

    // The calendar fields, the time rounded to the nearest second. False, with
    // `fields` untouched, when the date is not valid or out of range.
    bool GetFields(Fields& fields) const;
    int GetYear() const;  // 0 when not valid

    // strftime-like: %Y %y %m %d %H %M %S %b (English month abbreviation:
    // "05/Mar/04") %B %a %A and %%; other characters are copied. A date that is
    // not valid formats as the empty text.
    std::string Format(std::string_view pattern) const;

    // The date part alone in the user's locale form ("24.11.2026" in German).
    std::string FormatLocaleDate() const;

    // The same date with the time of day cut to whole minutes.
    COleDate WithoutSeconds() const;

    // Moves the date by a number of days on the continuous time line (also
    // across 30 December 1899). A date that is not valid stays as it is.
    COleDate AddDays(double days) const;

    // Ordering on the time line; only meaningful for valid dates.
    friend bool operator==(const COleDate& a, const COleDate& b)
    {
        return a.GetStatus() == b.GetStatus() && a.Days() == b.Days();
    }
    bool IsBefore(const COleDate& other) const;
    bool IsAfter(const COleDate& other) const { return other.IsBefore(*this); }

private:
    static constexpr std::uint64_t kInvalidBits = 0x7FF8000000000001ULL;
    static constexpr std::uint64_t kNullBits = 0x7FF8000000000002ULL;

    double m_days = 0.0;
};

} // namespace tarnwel
