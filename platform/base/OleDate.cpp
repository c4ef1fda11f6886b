#include "platform/base/OleDate.h"

#include "platform/base/Text.h"
#include "platform/base/UserLocale.h"

#include <cmath>
#include <ctime>

namespace tarnwel {

namespace {

constexpr long long kSecondsPerDay = 86400;
constexpr const char* kMonthAbbreviations[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                       "July",    "August",   "September", "October", "November", "December"};
constexpr const char* kDayAbbreviations[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// Valid dates on the continuous line of days: from 1 January 100 00:00 up to,
// not including, 1 January 10000 00:00. Days before day 0 hold their time of
// day as a fraction below the day (-657434.25 is 1 January 100, 06:00), so the
// bounds apply to the linear value, never to the OLE value itself.
constexpr double kFirstLinearDay = -657434.0;
constexpr double kEndLinearDay = 2958466.0;

// Days from 1 January 1970 to a civil date (proleptic Gregorian calendar).
long long DaysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

const long long kEpochOffset = DaysFromCivil(1899, 12, 30);  // day 0 of the OLE count

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The OLE value as a point on a continuous line of days (the fraction always
// counts forward), and back.
double ToLinear(double oleDays)
{
    if (oleDays >= 0.0)
        return oleDays;
    const double whole = std::trunc(oleDays);
    return whole - (oleDays - whole);  // -1.25 -> -0.75
}

double FromLinear(double linear)
{
    if (linear >= 0.0)
        return linear;
    const double whole = std::floor(linear);
    const double fraction = linear - whole;
    return whole - fraction;  // -0.75 -> -1.25
}

// Whole seconds since the OLE epoch on the continuous line, rounded to the nearest.
long long LinearSeconds(double oleDays)
{
    return std::llround(ToLinear(oleDays) * static_cast<double>(kSecondsPerDay));
}

void AppendNumber(std::string& out, int value, int width)
{
    char buffer[16];
    const int length = std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
    out.append(buffer, static_cast<std::size_t>(length));
}

// Reads one to `maxDigits` digits (exactly `maxDigits` when `exact`).
bool ReadNumber(std::string_view text, std::size_t& pos, int maxDigits, bool exact, int& value)
{
    int digits = 0;
    value = 0;
    while (pos < text.size() && digits < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++digits;
    }
    return exact ? digits == maxDigits : digits > 0;
}

bool IsSpaceByte(char c)
{
    return IsTrimSpace(static_cast<unsigned char>(c));
}

} // namespace

COleDate COleDate::FromFields(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return Invalid();
    const long long dayNumber = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpochOffset;
    const double time = static_cast<double>(hour * 3600 + minute * 60 + second) / kSecondsPerDay;
    const double whole = static_cast<double>(dayNumber);
    return COleDate(dayNumber >= 0 ? whole + time : whole - time);
}

COleDate COleDate::Invalid()
{
    COleDate date;
    date.m_days = std::bit_cast<double>(kInvalidBits);
    return date;
}

COleDate COleDate::Null()
{
    COleDate date;
    date.m_days = std::bit_cast<double>(kNullBits);
    return date;
}

COleDate COleDate::Now()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return FromFields(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                      local.tm_sec);
}

bool COleDate::GetFields(Fields& fields) const
{
    // A loose bound first, so that the rounding below never overflows; the
    // year check after it is the exact one (a value a split second before
    // 1 January 100 still rounds into it).
    const double linear = ToLinear(Days());
    if (!IsValid() || !(linear >= kFirstLinearDay - 1.0 && linear <= kEndLinearDay + 1.0))
        return false;
    const long long seconds = LinearSeconds(m_days);
    long long dayNumber = seconds / kSecondsPerDay;
    long long secondOfDay = seconds % kSecondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += kSecondsPerDay;
        --dayNumber;
    }
    Fields result;
    CivilFromDays(dayNumber + kEpochOffset, result.year, result.month, result.day);
    if (result.year < 100 || result.year > 9999)
        return false;
    result.hour = static_cast<int>(secondOfDay / 3600);
    result.minute = static_cast<int>(secondOfDay / 60 % 60);
    result.second = static_cast<int>(secondOfDay % 60);
    // 30 December 1899 was a Saturday.
    result.dayOfWeek = static_cast<int>(((dayNumber % 7) + 7 + 6) % 7);
    fields = result;
    return true;
}

int COleDate::GetYear() const
{
    Fields fields;
    return GetFields(fields) ? fields.year : 0;
}

std::string COleDate::Format(std::string_view pattern) const
{
    Fields f;
    if (!GetFields(f))
        return {};
    std::string out;
    out.reserve(pattern.size() + 8);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 == pattern.size()) {
            out.push_back(pattern[i]);
            continue;
        }
        switch (pattern[++i]) {
        case 'Y': AppendNumber(out, f.year, 4); break;
        case 'y': AppendNumber(out, f.year % 100, 2); break;
        case 'm': AppendNumber(out, f.month, 2); break;
        case 'd': AppendNumber(out, f.day, 2); break;
        case 'H': AppendNumber(out, f.hour, 2); break;
        case 'M': AppendNumber(out, f.minute, 2); break;
        case 'S': AppendNumber(out, f.second, 2); break;
        case 'b': out += kMonthAbbreviations[f.month - 1]; break;
        case 'B': out += kMonthNames[f.month - 1]; break;
        case 'a': out += kDayAbbreviations[f.dayOfWeek]; break;
        case 'A': out += kDayNames[f.dayOfWeek]; break;
        case '%': out.push_back('%'); break;
        default:
            out.push_back('%');
            out.push_back(pattern[i]);
        }
    }
    return out;
}

std::string COleDate::FormatLocaleDate() const
{
    return Format(CUserLocale::Current().DatePattern());
}

COleDate COleDate::WithoutSeconds() const
{
    Fields f;
    if (!GetFields(f))
        return *this;
    return FromFields(f.year, f.month, f.day, f.hour, f.minute, 0);
}

COleDate COleDate::AddDays(double days) const
{
    if (!IsValid())
        return *this;
    return COleDate(FromLinear(ToLinear(m_days) + days));
}

bool COleDate::IsBefore(const COleDate& other) const
{
    // A date that is not valid stands at day 0 here, as its day count says.
    return ToLinear(Days()) < ToLinear(other.Days());
}

COleDate COleDate::ParseWithPattern(std::string_view text, std::string_view pattern)
{
    int year = -1, month = -1, day = -1, hour = 0, minute = 0, second = 0;
    std::size_t pos = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char p = pattern[i];
        if (p == ' ') {
            if (pos >= text.size() || !IsSpaceByte(text[pos]))
                return Invalid();
            while (pos < text.size() && IsSpaceByte(text[pos]))
                ++pos;
            continue;
        }
        if (p != '%' || i + 1 == pattern.size()) {
            if (pos >= text.size() || text[pos] != p)
                return Invalid();
            ++pos;
            continue;
        }
        bool ok = false;
        switch (pattern[++i]) {
        case 'Y': ok = ReadNumber(text, pos, 4, true, year); break;
        case 'y':
            ok = ReadNumber(text, pos, 2, true, year);
            year += year < 30 ? 2000 : 1900;
            break;
        case 'm': ok = ReadNumber(text, pos, 2, false, month); break;
        case 'd': ok = ReadNumber(text, pos, 2, false, day); break;
        case 'H': ok = ReadNumber(text, pos, 2, false, hour); break;
        case 'M': ok = ReadNumber(text, pos, 2, false, minute); break;
        case 'S': ok = ReadNumber(text, pos, 2, false, second); break;
        case 'b':
            for (int m = 0; m < 12 && !ok; ++m) {
                if (EqualsAsciiNoCase(text.substr(pos, 3), kMonthAbbreviations[m])) {
                    month = m + 1;
                    pos += 3;
                    ok = true;
                }
            }
            break;
        case '%': ok = pos < text.size() && text[pos++] == '%'; break;
        default: ok = false;
        }
        if (!ok)
            return Invalid();
    }
    if (pos != text.size())
        return Invalid();
    return FromFields(year, month, day, hour, minute, second);
}

COleDate COleDate::Parse(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsSpaceByte(text[begin]))
        ++begin;
    while (end > begin && IsSpaceByte(text[end - 1]))
        --end;
    const std::string_view t = text.substr(begin, end - begin);
    if (t.empty())
        return Invalid();

    auto tryPatterns = [&](auto&& patterns, COleDate& result) {
        for (std::string_view pattern : patterns) {
            result = ParseWithPattern(t, pattern);
            if (result.IsValid())
                return true;
        }
        return false;
    };

    // The wire form "YYYY-MM-DD HH:MM:SS" with every digit in its place is
    // by far the most frequent text: read it at once. Any other text, and
    // one of that shape whose fields do not make a date, takes the patterns.
    if (t.size() == 19 && t[4] == '-' && t[7] == '-' && t[10] == ' ' && t[13] == ':' && t[16] == ':') {
        static constexpr std::size_t kDigitsAt[] = {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18};
        bool digits = true;
        for (const std::size_t at : kDigitsAt)
            digits = digits && t[at] >= '0' && t[at] <= '9';
        const auto two = [&t](std::size_t at) { return (t[at] - '0') * 10 + (t[at + 1] - '0'); };
        const int year = two(0) * 100 + two(2), month = two(5), day = two(8);
        const int hour = two(11), minute = two(14), second = two(17);
        if (digits) {
            const COleDate date = FromFields(year, month, day, hour, minute, second);
            if (date.IsValid())
                return date;
        }
    }

    COleDate result;
    // The wire form first: it is by far the most frequent.
    static constexpr std::string_view kIsoForms[] = {"%Y-%m-%d %H:%M:%S", "%Y-%m-%d %H:%M", "%Y-%m-%d",
                                                     "%Y-%m-%dT%H:%M:%S"};
    if (t.size() > 4 && t[4] == '-' && tryPatterns(kIsoForms, result))
        return result;

    const CUserLocale& locale = CUserLocale::Current();
    for (std::string_view datePattern : {std::string_view(locale.DatePattern()), std::string_view("%d.%m.%Y"),
                                         std::string_view("%d/%m/%Y")}) {
        const std::string withSeconds = std::string(datePattern) + " %H:%M:%S";
        const std::string withMinutes = std::string(datePattern) + " %H:%M";
        const std::string_view forms[] = {withSeconds, withMinutes, datePattern};
        if (tryPatterns(forms, result))
            return result;
    }
    return Invalid();
}

} // namespace tarnwel
