#pragma once
// Builders of the German description and difference texts of the records.
// Differences show the Outlook side first and the server side ("DRAV") second.

#include "platform/base/OleDate.h"

#include <string>
#include <string_view>

namespace tarnwel {

// "\r\n" + label + "'" + value + "'"; the empty text when `value` is empty.
std::string FormatLabeledValue(std::string_view label, std::string_view value);

// Every line break made CR LF: "\r\n" and a bare "\n" both become "\r\n"; a
// lone "\r" stays as it is.
std::string NormalizeLineBreaks(std::string_view text);

// `text` between apostrophes, the whole preceded by `tabs` tabs and every line
// after the first starting with as many tabs; line breaks become CR LF.
std::string IndentValue(std::string_view text, int tabs);

// A difference entry of a long text: label, then each side's value indented
// on lines of its own.
std::string FormatMultiLineDifference(std::string_view label, std::string_view outlook, std::string_view server);

// A difference entry, or the empty text when `differs` is false; one-line
// values stand quoted after "Outlook:" and "DRAV:".
std::string FormatDifference(bool differs, std::string_view label, std::string_view outlook, std::string_view server,
                             bool multiLine);

// The long form of a date in these texts: "%d/%b/%y %H:%M" ("05/Mar/04 14:30").
std::string FormatLongDate(const COleDate& date);

} // namespace tarnwel
