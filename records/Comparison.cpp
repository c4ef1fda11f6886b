#include "records/Comparison.h"

#include "platform/base/Text.h"
#include "platform/base/UserLocale.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace tarnwel {

std::string TrimText(std::string_view text)
{
    return TrimSpace(text);
}

std::string NormalizeText(std::string_view text)
{
    std::string withoutReturns(text);
    std::erase(withoutReturns, '\r');
    return TrimSpace(withoutReturns);
}

bool IsSameTrimmed(std::string_view a, std::string_view b)
{
    return a == b || TrimText(a) == TrimText(b);
}

bool IsSameNormalized(std::string_view a, std::string_view b)
{
    return a == b || NormalizeText(a) == NormalizeText(b);
}

// The dates are compared through their texts, as the user sees them: a date
// that is not valid has the empty text and so equals every other such date.
// Two valid dates with the same calendar fields down to the compared unit
// have the same text whatever the pattern, which spares the two texts in the
// usual case; other pairs are settled by their texts, since a pattern may
// leave a field out (a two-digit year).
namespace {

// The same status and the same bits of the day count make the same text
// under any pattern; most pairs of a run are of this kind.
bool SameDate(const COleDate& a, const COleDate& b)
{
    return a.GetStatus() == b.GetStatus() && std::bit_cast<std::uint64_t>(a.Days()) == std::bit_cast<std::uint64_t>(b.Days());
}

bool SameFields(const COleDate& a, const COleDate& b, bool withTime)
{
    COleDate::Fields first;
    COleDate::Fields second;
    if (!a.GetFields(first) || !b.GetFields(second))
        return false;
    return first.year == second.year && first.month == second.month && first.day == second.day &&
           (!withTime || (first.hour == second.hour && first.minute == second.minute));
}

} // namespace

int CompareDateAndTime(const COleDate& a, const COleDate& b)
{
    if (SameDate(a, b) || SameFields(a, b, true))
        return 0;
    const std::string pattern = CUserLocale::Current().DatePattern() + " %H:%M";
    return a.Format(pattern) == b.Format(pattern) ? 0 : 1;
}

int CompareDateOnly(const COleDate& a, const COleDate& b)
{
    if (SameDate(a, b) || SameFields(a, b, false))
        return 0;
    return a.FormatLocaleDate() == b.FormatLocaleDate() ? 0 : 1;
}

} // namespace tarnwel
