#include "client/CScheduleDialog.h"

#include "resources/client/ClientResources.h"

#include <algorithm>
#include <limits>
#include <string>
#include <string_view>

namespace tarnwel {

using namespace schedule_dialog;

namespace {

constexpr int kMinutesPerHour = 60;
constexpr int kMinutesPerDay = 1440;
// What an interval edit takes into account.
constexpr std::size_t kMaxNumberLength = 19;

// One radio with its edit and the minutes one unit of the edit stands for.
struct Interval {
    int radio;
    int value;
    int factor;
};

constexpr Interval kIntervals[] = {
    {kMinutes, kMinutesValue, 1},
    {kHours, kHoursValue, kMinutesPerHour},
    {kDays, kDaysValue, kMinutesPerDay},
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The number an interval edit holds; a number beyond the 64-bit range reads
// as the nearest end of it.
long long ReadNumber(std::string_view text)
{
    text = text.substr(0, kMaxNumberLength);
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Nineteen digits may exceed the 64-bit range: the value saturates.
    constexpr long long kMax = std::numeric_limits<long long>::max();
    unsigned long long value = 0;
    const unsigned long long limit = negative ? static_cast<unsigned long long>(kMax) + 1 : kMax;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const auto digit = static_cast<unsigned long long>(text[i] - '0');
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    if (!negative)
        return static_cast<long long>(value);
    return value == limit ? std::numeric_limits<long long>::min() : -static_cast<long long>(value);
}

} // namespace

CScheduleDialog::CScheduleDialog(CReplicationSettings& settings)
    : CDialog(ClientResources().Dialog(kTemplateId)), m_settings(settings)
{
}

bool CScheduleDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    const int minutes = m_settings.scheduleMinutes;
    if (minutes <= 0) {
        ChooseRadio(kManual);
    } else if (minutes < kMinutesPerHour) {
        ChooseRadio(kMinutes);
        SetItemText(kMinutesValue, std::to_string(minutes));
    } else if (minutes >= kMinutesPerDay) {
        ChooseRadio(kDays);
        SetItemText(kDaysValue, std::to_string(minutes / kMinutesPerDay));
    } else {
        ChooseRadio(kHours);
        SetItemText(kHoursValue, std::to_string(minutes / kMinutesPerHour));
    }
    return true;
}

void CScheduleDialog::ChooseRadio(int radio)
{
    for (const int id : {kMinutes, kHours, kDays, kManual})
        SetCheck(id, id == radio ? 1 : 0);
    for (const Interval& interval : kIntervals)
        EnableItem(interval.value, interval.radio == radio);
}

void CScheduleDialog::OnClicked(int id)
{
    if (id == kMinutes || id == kHours || id == kDays || id == kManual)
        ChooseRadio(id);
}

void CScheduleDialog::OnOK()
{
    int minutes = CReplicationSettings::kManualSchedule;
    for (const Interval& interval : kIntervals) {
        if (!GetCheck(interval.radio))
            continue;
        // The schedule is a 32-bit number: a larger product is cut to its
        // nearest end instead of wrapping round to another interval.
        const long long number = ReadNumber(GetItemText(interval.value));
        constexpr long long kLow = std::numeric_limits<int>::min();
        constexpr long long kHigh = std::numeric_limits<int>::max();
        const long long bounded = std::clamp(number, kLow, kHigh);
        minutes = static_cast<int>(std::clamp(bounded * interval.factor, kLow, kHigh));
        break;
    }
    m_settings.scheduleMinutes = minutes;
    EndDialog(kIdOk);
}

} // namespace tarnwel
