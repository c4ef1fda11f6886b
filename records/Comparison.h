#pragma once
// The comparison helpers of the sameness tests and difference texts.

#include "platform/base/OleDate.h"

#include <string>
#include <string_view>

namespace tarnwel {

// `text` without leading and trailing blanks, tabs, line feeds, vertical tabs,
// form feeds and carriage returns.
std::string TrimText(std::string_view text);

// `text` without any carriage return, then trimmed; line feeds inside stay.
std::string NormalizeText(std::string_view text);

// TrimText(a) == TrimText(b) and NormalizeText(a) == NormalizeText(b), without
// making either text when the two are equal as they stand (the usual case).
bool IsSameTrimmed(std::string_view a, std::string_view b);
bool IsSameNormalized(std::string_view a, std::string_view b);

// 0 when both dates give the same locale date text and "%H:%M" (the same
// minute), else non-zero.
int CompareDateAndTime(const COleDate& a, const COleDate& b);

// 0 when both dates give the same locale date text (the same day), else non-zero.
int CompareDateOnly(const COleDate& a, const COleDate& b);

} // namespace tarnwel
