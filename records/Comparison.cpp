#include "records/Comparison.h"

#include "platform/base/Text.h"
#include "platform/base/UserLocale.h"

#include <algorithm>

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

// The dates are compared through their texts, as the user sees them: a date
// that is not valid has the empty text and so equals every other such date.
int CompareDateAndTime(const COleDate& a, const COleDate& b)
{
    const std::string pattern = CUserLocale::Current().DatePattern() + " %H:%M";
    return a.Format(pattern) == b.Format(pattern) ? 0 : 1;
}

int CompareDateOnly(const COleDate& a, const COleDate& b)
{
    return a.FormatLocaleDate() == b.FormatLocaleDate() ? 0 : 1;
}

} // namespace tarnwel
