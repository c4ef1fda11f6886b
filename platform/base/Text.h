#pragma once
// UTF-8 text helpers. All text in the system is UTF-8 in std::string; the rules
// that speak of characters apply to Unicode code points.

#include <string>
#include <string_view>

namespace tarnwel {

// The character substituted for every byte that does not start a valid UTF-8
// sequence (overlong forms and encoded surrogates count as invalid).
inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the code point that starts at `pos` and moves `pos` past it.
// `pos` must be less than text.size().
char32_t NextCodePoint(std::string_view text, std::size_t& pos);

// Appends the UTF-8 form of `codePoint` (U+FFFD for a value that is no scalar value).
void AppendUtf8(std::string& out, char32_t codePoint);

// Calls `visit(codePoint)` for each code point of `text`, in order.
template <typename Visitor>
void ForEachCodePoint(std::string_view text, Visitor&& visit)
{
    for (std::size_t pos = 0; pos < text.size();)
        visit(NextCodePoint(text, pos));
}

std::u32string ToUtf32(std::string_view text);
std::string ToUtf8(std::u32string_view text);

// The number of code points in `text`.
std::size_t CodePointCount(std::string_view text);

// The first `count` code points of `text` (all of it when it is shorter).
std::string_view LeftCodePoints(std::string_view text, std::size_t count);

bool IsAscii(std::string_view text);

// Blank, tab, line feed, vertical tab, form feed and carriage return: the
// white space that trimming removes.
constexpr bool IsTrimSpace(char32_t c)
{
    return c == U' ' || (c >= U'\t' && c <= U'\r');
}

// `text` without leading and trailing white space (IsTrimSpace).
std::string TrimSpace(std::string_view text);

// Simple case folding to lower case for Latin (Basic Latin, Latin-1 including
// the German umlauts, Latin Extended-A), Greek and Cyrillic letters; every other
// code point folds to itself. Capital sharp s (U+1E9E) folds to U+00DF.
char32_t FoldCase(char32_t c);

// Comparison without regard to letter case, code point by code point after FoldCase.
int CompareNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Comparison that folds only the ASCII letters; for names of the wire protocol.
bool EqualsAsciiNoCase(std::string_view a, std::string_view b);

// Every occurrence of `from` replaced by `to`, scanning left to right; the
// inserted text is never scanned again. An empty `from` changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Appends `text` to `out` with each CR LF and each lone CR as one LF.
void AppendWithLineFeeds(std::string& out, std::string_view text);

bool StartsWith(std::string_view text, std::string_view prefix);

} // namespace tarnwel
