#include "platform/base/Text.h"

namespace tarnwel {

namespace {

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

} // namespace

char32_t NextCodePoint(std::string_view text, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return kReplacementCharacter;
    }
    if (pos + length > text.size()) {
        ++pos;
        return kReplacementCharacter;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[pos + i]);
        if (!IsContinuation(byte)) {
            ++pos;
            return kReplacementCharacter;
        }
        value = (value << 6) | (byte & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++pos;
        return kReplacementCharacter;
    }
    pos += length;
    return value;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = kReplacementCharacter;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::u32string ToUtf32(std::string_view text)
{
    std::u32string result;
    result.reserve(text.size());
    ForEachCodePoint(text, [&](char32_t c) { result.push_back(c); });
    return result;
}

std::string ToUtf8(std::u32string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (char32_t c : text)
        AppendUtf8(result, c);
    return result;
}

std::size_t CodePointCount(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); ++count)
        NextCodePoint(text, pos);
    return count;
}

std::string_view LeftCodePoints(std::string_view text, std::size_t count)
{
    std::size_t pos = 0;
    for (std::size_t i = 0; i < count && pos < text.size(); ++i)
        NextCodePoint(text, pos);
    return text.substr(0, pos);
}

bool IsAscii(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Every trimmed character is ASCII, and no byte of a multi-byte UTF-8 sequence
// is below 0x80, so trimming can work on bytes.
std::string TrimSpace(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsTrimSpace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && IsTrimSpace(static_cast<unsigned char>(text[end - 1])))
        --end;
    return std::string(text.substr(begin, end - begin));
}

char32_t FoldCase(char32_t c)
{
    if (c < 0x80)
        return (c >= U'A' && c <= U'Z') ? c + 0x20 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)  // Latin-1 capitals, umlauts included
        return c + 0x20;
    if (c >= 0x100 && c <= 0x137 && c != 0x130 && c != 0x131)  // Latin Extended-A pairs
        return c | 1;
    if (c >= 0x139 && c <= 0x148)
        return (c & 1) ? c + 1 : c;
    if (c >= 0x14A && c <= 0x177)
        return c | 1;
    if (c == 0x178)
        return 0xFF;
    if (c >= 0x179 && c <= 0x17E)
        return (c & 1) ? c + 1 : c;
    if (c == 0x1E9E)  // capital sharp s
        return 0xDF;
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2)  // Greek capitals
        return c + 0x20;
    if (c >= 0x410 && c <= 0x42F)  // Cyrillic capitals
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    return c;
}

int CompareNoCase(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t ca = FoldCase(NextCodePoint(a, i));
        const char32_t cb = FoldCase(NextCodePoint(b, j));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return CompareNoCase(a, b) == 0;
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    // Names are mostly compared with the same spelling: one block compare.
    if (a == b)
        return true;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char ca = a[i];
        char cb = b[i];
        if (ca >= 'A' && ca <= 'Z')
            ca = static_cast<char>(ca + 0x20);
        if (cb >= 'A' && cb <= 'Z')
            cb = static_cast<char>(cb + 0x20);
        if (ca != cb)
            return false;
    }
    return true;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    if (from.empty())
        return std::string(text);
    std::string result;
    result.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t hit = text.find(from); hit != std::string_view::npos; hit = text.find(from, start)) {
        result.append(text, start, hit - start);
        result.append(to);
        start = hit + from.size();
    }
    result.append(text, start);
    return result;
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

void AppendWithLineFeeds(std::string& out, std::string_view text)
{
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        if (text[pos] == '\r') {
            out += '\n';
            if (pos + 1 < text.size() && text[pos + 1] == '\n')
                ++pos;
        } else {
            out += text[pos];
        }
    }
}

} // namespace tarnwel
