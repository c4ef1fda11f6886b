#include "tools/CPrintingProgressSink.h"

#include "resources/StringTable.h"
#include "tools/UiText.h"

namespace tarnwel {
namespace {

constexpr int kHeaderPlace = -1;
constexpr int kResultPlace = -2;

std::string KindPrefix(int controlId)
{
    switch (controlId) {
    case kAppointmentStatusControl:
        return "Termine: ";
    case kContactStatusControl:
        return "Kontakte: ";
    case kTaskStatusControl:
        return "Aufgaben: ";
    default:
        return "Status " + std::to_string(controlId) + ": ";
    }
}

std::string ResourceText(int stringId)
{
    std::string text = LoadResourceText(stringId);
    return text.empty() ? "<text " + std::to_string(stringId) + ">" : text;
}

} // namespace

std::string CPrintingProgressSink::FormatCounts(std::string_view format, int first, int second)
{
    const int numbers[] = {first, second};
    std::size_t used = 0;
    std::string text;
    text.reserve(format.size() + 16);
    std::size_t copied = 0;  // format[copied, i) is still to be appended as it stands
    for (std::size_t i = format.find('%'); i != std::string_view::npos && i + 1 < format.size();
         i = format.find('%', i)) {
        const char next = format[i + 1];
        if (next != '%' && (next != 'd' || used == 2)) {
            ++i;
            continue;
        }
        text.append(format.substr(copied, i - copied));
        if (next == '%')
            text += '%';
        else
            text += std::to_string(numbers[used++]);
        i += 2;
        copied = i;
    }
    text.append(format.substr(copied));
    return text;
}

void CPrintingProgressSink::SetHeaderText(std::string text)
{
    Print(kHeaderPlace, "* ", text);
    Flush();
}

void CPrintingProgressSink::SetResultText(std::string text)
{
    Print(kResultPlace, "= ", text);
    Flush();
}

void CPrintingProgressSink::SetStatusLineText(int controlId, std::string text)
{
    Print(controlId, KindPrefix(controlId), text);
}

void CPrintingProgressSink::SetStatusControl(int controlId)
{
    std::lock_guard lock(m_mutex);
    m_statusControl = controlId;
}

void CPrintingProgressSink::ShowStatus(int stringId)
{
    const int control = [this] {
        std::lock_guard lock(m_mutex);
        return m_statusControl;
    }();
    Print(control, KindPrefix(control), ResourceText(stringId));
    Flush();
}

void CPrintingProgressSink::ShowStatusCount(int stringId, int first, int second)
{
    const int control = [this] {
        std::lock_guard lock(m_mutex);
        return m_statusControl;
    }();
    Print(control, KindPrefix(control), FormatCounts(ResourceText(stringId), first, second));
    if (second == 0)  // a step's announcement, not a count through its queue
        Flush();
}

void CPrintingProgressSink::Print(int place, const std::string& prefix, const std::string& text)
{
    const std::string line = prefix + TerminalText(text);
    std::lock_guard lock(m_mutex);
    std::string& last = m_lastLines[place];
    if (last == line)
        return;
    last = line;
    m_out << line << '\n';
}

void CPrintingProgressSink::Flush()
{
    std::lock_guard lock(m_mutex);
    m_out.flush();
}

} // namespace tarnwel
