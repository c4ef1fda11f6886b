#include "tools/CPrintingProgressSink.h"

#include "platform/ui/UiText.h"
#include "resources/StringTable.h"

#include <charconv>
#include <cstring>

namespace tarnwel {
namespace {

constexpr int kHeaderPlace = -1;
constexpr int kResultPlace = -2;

// The prefix of the lines of a kind's status place (the kind's value).
void AppendKindPrefix(std::string& out, int place)
{
    switch (place) {
    case kAppointmentKind:
        out += "Termine: ";
        break;
    case kContactKind:
        out += "Kontakte: ";
        break;
    case kTaskKind:
        out += "Aufgaben: ";
        break;
    default:
        out += "Status ";
        out += std::to_string(place);
        out += ": ";
        break;
    }
}

std::string KindPrefix(int place)
{
    std::string prefix;
    AppendKindPrefix(prefix, place);
    return prefix;
}

void AppendNumber(std::string& out, int value)
{
    char digits[16];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    (void)error;  // an int always fits
    out.append(digits, end);
}

// Writes the number at `out` (room for kMaxNumberSize bytes) and returns the end.
char* WriteNumber(char* out, int value)
{
    return std::to_chars(out, out + CPrintingProgressSink::kMaxNumberSize, value).ptr;  // an int always fits
}

std::string ResourceText(int stringId)
{
    std::string text = LoadResourceText(stringId);
    return text.empty() ? "<text " + std::to_string(stringId) + ">" : text;
}

} // namespace

// `format` split at its "%d" placeholders (at most two), "%%" made "%".
void CPrintingProgressSink::CCountFormat::Assign(std::string_view format)
{
    text.clear();
    numbers = 0;
    std::size_t copied = 0;  // format[copied, i) is still to be appended as it stands
    for (std::size_t i = format.find('%'); i != std::string_view::npos && i + 1 < format.size();
         i = format.find('%', i)) {
        const char next = format[i + 1];
        if (next != '%' && (next != 'd' || numbers == 2)) {
            ++i;
            continue;
        }
        text.append(format.substr(copied, i - copied));
        if (next == '%')
            text += '%';
        else
            cuts[numbers++] = text.size();
        i += 2;
        copied = i;
    }
    text.append(format.substr(copied));
}

void CPrintingProgressSink::CCountFormat::AppendTo(std::string& out, int first, int second) const
{
    const int values[] = {first, second};
    std::size_t done = 0;
    for (int i = 0; i < numbers; ++i) {
        out.append(text, done, cuts[i] - done);
        AppendNumber(out, values[i]);
        done = cuts[i];
    }
    out.append(text, done, std::string::npos);
}

char* CPrintingProgressSink::CCountFormat::WriteTo(char* out, int first, int second) const
{
    const int values[] = {first, second};
    std::size_t done = 0;
    for (int i = 0; i < numbers; ++i) {
        std::memcpy(out, text.data() + done, cuts[i] - done);
        out = WriteNumber(out + (cuts[i] - done), values[i]);
        done = cuts[i];
    }
    std::memcpy(out, text.data() + done, text.size() - done);
    return out + (text.size() - done);
}

std::string CPrintingProgressSink::FormatCounts(std::string_view format, int first, int second)
{
    CCountFormat counts;
    counts.Assign(format);
    std::string text;
    counts.AppendTo(text, first, second);
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

void CPrintingProgressSink::SetStatusLineText(ItemKind kind, std::string text)
{
    Print(kind, KindPrefix(kind), text);
}

void CPrintingProgressSink::SetStatusControl(ItemKind kind)
{
    std::lock_guard lock(m_mutex);
    m_statusPlace = kind;
}

void CPrintingProgressSink::ShowStatus(int stringId)
{
    const int control = [this] {
        std::lock_guard lock(m_mutex);
        return m_statusPlace;
    }();
    Print(control, KindPrefix(control), ResourceText(stringId));
    Flush();
}

void CPrintingProgressSink::ShowNotice(std::string text)
{
    const int control = [this] {
        std::lock_guard lock(m_mutex);
        return m_statusPlace;
    }();
    Print(control, KindPrefix(control), text);
    Flush();
}

void CPrintingProgressSink::ShowStatusCount(int stringId, int first, int second)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_haveCountText || m_countTextId != stringId || m_countPlace != m_statusPlace) {
            KeepCountLine();
            // The terminal form of the format is the terminal form of the
            // line's text: the numbers hold no carriage return, and turning
            // one into a newline makes no placeholder and takes none away.
            // The prefix holds no "%".
            m_countFormat.Assign(TerminalText(ResourceText(stringId)));
            std::string prefix;
            AppendKindPrefix(prefix, m_statusPlace);
            m_countFormat.text.insert(0, prefix);
            for (std::size_t& cut : m_countFormat.cuts)
                cut += prefix.size();
            m_countLine.resize(m_countFormat.MaxSize() + 1);
            m_countTextId = stringId;
            m_countPlace = m_statusPlace;
            m_haveCountText = true;
            m_countWritten = false;
        }
        char* const line = m_countLine.data();
        const int numbers = m_countFormat.numbers;
        // A line that tells another count than the last count line of the
        // same text differs from it; while that is the last line of its
        // place, the new one is written without a comparison. Nearly always
        // only the first number changes and keeps its width: its digits are
        // written over the old ones.
        const bool differs = m_countWritten && ((numbers >= 1 && first != m_countFirst) ||
                                                (numbers == 2 && second != m_countSecond));
        const bool unseen = differs && m_countIsLastLine;
        if (!unseen)
            KeepCountLine();  // before the new line takes the old one's place
        char digits[kMaxNumberSize];
        const std::size_t firstSize = static_cast<std::size_t>(WriteNumber(digits, first) - digits);
        if (m_countWritten && numbers >= 1 && second == m_countSecond && firstSize == m_countFirstSize) {
            std::memcpy(line + m_countFirstAt, digits, firstSize);
        } else {
            char* const end = m_countFormat.WriteTo(line, first, second);
            *end = '\n';
            m_countSize = static_cast<std::size_t>(end - line);
            m_countFirstAt = numbers >= 1 ? m_countFormat.cuts[0] : 0;
            m_countFirstSize = firstSize;
        }
        m_countFirst = first;
        m_countSecond = second;
        m_countWritten = true;
        if (unseen)
            WriteLine(line, m_countSize);
        else
            PrintLine(m_statusPlace, line, m_countSize);
        m_countIsLastLine = true;
    }
    if (second == 0)  // a step's announcement, not a count through its queue
        Flush();
}

void CPrintingProgressSink::KeepCountLine()
{
    if (!m_countIsLastLine)
        return;
    m_countIsLastLine = false;
    if (!m_lastLine || m_lastPlace != m_countPlace) {
        m_lastLine = &m_lastLines[m_countPlace];
        m_lastPlace = m_countPlace;
    }
    m_lastLine->assign(m_countLine.data(), m_countSize);
}

void CPrintingProgressSink::Print(int place, const std::string& prefix, const std::string& text)
{
    std::lock_guard lock(m_mutex);
    m_line.assign(prefix);
    m_line += TerminalText(text);
    m_line += '\n';
    PrintLine(place, m_line.data(), m_line.size() - 1);
}

void CPrintingProgressSink::PrintLine(int place, const char* line, std::size_t size)
{
    KeepCountLine();
    if (!m_lastLine || m_lastPlace != place) {
        m_lastLine = &m_lastLines[place];  // the map's elements stay where they are
        m_lastPlace = place;
    }
    const std::string_view text(line, size);
    if (*m_lastLine == text)
        return;
    m_lastLine->assign(text);
    WriteLine(line, size);
}

void CPrintingProgressSink::WriteLine(const char* line, std::size_t size)
{
    const auto bytes = static_cast<std::streamsize>(size + 1);
    // Straight into the stream's buffer when the stream's sentry would do
    // nothing but check its state (no tied stream to flush first, no flush
    // after each output) and a failure only sets the state, as write() does.
    if (m_out.good() && m_out.tie() == nullptr && !(m_out.flags() & std::ios_base::unitbuf) &&
        m_out.exceptions() == std::ios_base::goodbit) {
        try {
            if (m_out.rdbuf()->sputn(line, bytes) != bytes)
                m_out.setstate(std::ios_base::badbit);
        } catch (...) {
            m_out.setstate(std::ios_base::badbit);
        }
    } else {
        m_out.write(line, bytes);
    }
}

void CPrintingProgressSink::Flush()
{
    std::lock_guard lock(m_mutex);
    m_out.flush();
}

} // namespace tarnwel
