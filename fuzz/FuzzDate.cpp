#include "fuzz/FuzzSupport.h"

#include "platform/base/OleDate.h"
#include "platform/base/UserLocale.h"

#include <cstring>
#include <iterator>

namespace tarnwel::fuzz {

namespace {

constexpr const char* kIso = "%Y-%m-%d %H:%M:%S";
constexpr const char* kDayFirst = "%d/%m/%Y %H:%M:%S";  // the settings file's last-run form

// Locales of every date form the parser knows: day first with dots and
// slashes, month first, year first with dashes, dots and slashes.
constexpr const char* kLocales[] = {"de_DE.UTF-8", "en_US.UTF-8", "en_GB.UTF-8", "nl_NL",
                                    "sv_SE",       "hu_HU",       "ja_JP"};

bool SameSecond(const COleDate& a, const COleDate& b)
{
    COleDate::Fields x, y;
    if (!a.GetFields(x) || !b.GetFields(y))
        return false;
    return x.year == y.year && x.month == y.month && x.day == y.day && x.hour == y.hour && x.minute == y.minute &&
           x.second == y.second;
}

// What every accepted date must give: a text in each written form, which
// reads back as the same date (the locale form as the same day).
void CheckAccepted(const COleDate& date, const std::uint8_t* data, std::size_t size)
{
    const std::string iso = date.Format(kIso);
    Check(!iso.empty(), "an accepted date formats as the empty text", data, size);
    Check(SameSecond(COleDate::Parse(iso), date), "the wire form does not parse back to the same second", data,
          size);
    Check(SameSecond(COleDate::ParseWithPattern(date.Format(kDayFirst), kDayFirst), date),
          "the day-first form does not parse back to the same second", data, size);

    const std::string localeText = date.FormatLocaleDate();
    const COleDate day = COleDate::Parse(localeText);
    Check(!localeText.empty() && day.IsValid() && day.Format(kIso) == iso.substr(0, 10) + " 00:00:00",
          "the locale form does not parse back to the same day", data, size);

    const COleDate minutes = date.WithoutSeconds();
    Check(minutes.IsValid() && minutes.Format(kIso) == iso.substr(0, 17) + "00",
          "cutting the seconds gives another minute", data, size);
}

} // namespace

int FuzzDate(const std::uint8_t* data, std::size_t size)
{
    QuietProcess();
    if (size == 0)
        return 0;
    CUserLocale::Use(kLocales[data[0] % std::size(kLocales)]);
    const std::string_view text = Bytes(data, size);

    const COleDate date = COleDate::Parse(text);
    Check(date.GetStatus() != COleDate::Status::null, "the parser gave a null date", data, size);
    if (date.IsValid())
        CheckAccepted(date, data, size);

    // Any day count the formatter writes reads back as the second it shows.
    if (size >= sizeof(double)) {
        double days = 0.0;
        std::memcpy(&days, data, sizeof days);
        const std::string shown = COleDate(days).Format(kIso);
        if (!shown.empty()) {
            const COleDate read = COleDate::Parse(shown);
            Check(read.IsValid() && read.Format(kIso) == shown, "a formatted day count does not parse back", data,
                  size);
        }
    }

    // The pattern parser on its own, with the two-digit year and month names.
    const COleDate named = COleDate::ParseWithPattern(text, "%d/%b/%y %H:%M");
    if (named.IsValid())
        CheckAccepted(named, data, size);
    return 0;
}

} // namespace tarnwel::fuzz
