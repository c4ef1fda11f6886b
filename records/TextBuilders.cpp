#include "records/TextBuilders.h"

#include "platform/base/Text.h"

namespace tarnwel {

std::string FormatLabeledValue(std::string_view label, std::string_view value)
{
    if (value.empty())
        return {};
    std::string line = "\r\n";
    line += label;
    line += '\'';
    line += value;
    line += '\'';
    return line;
}

std::string NormalizeLineBreaks(std::string_view text)
{
    return ReplaceAll(ReplaceAll(text, "\r\n", "\n"), "\n", "\r\n");
}

std::string IndentValue(std::string_view text, int tabs)
{
    const std::string indent(static_cast<std::size_t>(tabs > 0 ? tabs : 0), '\t');
    return indent + "'" + ReplaceAll(ReplaceAll(text, "\r\n", "\n"), "\n", "\r\n" + indent) + "'";
}

std::string FormatMultiLineDifference(std::string_view label, std::string_view outlook, std::string_view server)
{
    std::string entry = "\r\n - ";
    entry += label;
    entry += ":\r\n    Outlook:  \r\n";
    entry += IndentValue(outlook, 1);
    entry += " \r\n    DRAV:  \r\n";
    entry += IndentValue(server, 1);
    entry += "\r\n";
    return entry;
}

std::string FormatDifference(bool differs, std::string_view label, std::string_view outlook, std::string_view server,
                             bool multiLine)
{
    if (!differs)
        return {};
    if (multiLine)
        return FormatMultiLineDifference(label, outlook, server);
    std::string entry = "\r\n - ";
    entry += label;
    entry += ":\r\n    Outlook:  '";
    entry += outlook;
    entry += "'\r\n    DRAV:  '";
    entry += server;
    entry += "'\r\n";
    return entry;
}

std::string FormatLongDate(const COleDate& date)
{
    return date.Format("%d/%b/%y %H:%M");
}

} // namespace tarnwel
