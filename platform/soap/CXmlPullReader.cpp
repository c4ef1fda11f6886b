#include "platform/soap/CXmlPullReader.h"

#include "platform/base/Text.h"

#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarnwel {
namespace {

enum : std::uint8_t {
    kNameStart = 1,  // may begin a name
    kNameChar = 2,   // may stand in a name
    kSpace = 4,      // XML white space
    kTextStop = 8,   // ends the plain run of a text: "<", "&", CR, "]", NUL
};

constexpr std::array<std::uint8_t, 256> MakeClasses()
{
    std::array<std::uint8_t, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (letter || c == '_' || c == ':' || c >= 0x80)
            classes[c] |= kNameStart | kNameChar;
        if ((c >= '0' && c <= '9') || c == '-' || c == '.')
            classes[c] |= kNameChar;
    }
    for (const int c : {' ', '\t', '\r', '\n'})
        classes[c] |= kSpace;
    for (const int c : {'<', '&', '\r', ']', '\0'})
        classes[c] |= kTextStop;
    return classes;
}

constexpr std::array<std::uint8_t, 256> kClasses = MakeClasses();

inline bool Has(char c, std::uint8_t what)
{
    return (kClasses[static_cast<unsigned char>(c)] & what) != 0;
}

bool StartsWith(std::string_view text, std::size_t at, std::string_view prefix)
{
    return text.size() - at >= prefix.size() && text.compare(at, prefix.size(), prefix) == 0;
}

// Whether the `size` bytes at `a` and `b` are the same; names are short, and
// a call of memcmp would cost more than comparing them here.
inline bool SameBytes(const char* a, const char* b, std::size_t size)
{
    if (size >= 8) {
        for (std::size_t at = 0; at + 8 <= size; at += 8) {
            std::uint64_t x, y;
            std::memcpy(&x, a + at, 8);
            std::memcpy(&y, b + at, 8);
            if (x != y)
                return false;
        }
        std::uint64_t x, y;  // the last eight, which may overlap the ones before
        std::memcpy(&x, a + size - 8, 8);
        std::memcpy(&y, b + size - 8, 8);
        return x == y;
    }
    if (size >= 4) {
        std::uint32_t x0, y0, x1, y1;
        std::memcpy(&x0, a, 4);
        std::memcpy(&y0, b, 4);
        std::memcpy(&x1, a + size - 4, 4);
        std::memcpy(&y1, b + size - 4, 4);
        return x0 == y0 && x1 == y1;
    }
    for (std::size_t at = 0; at < size; ++at) {
        if (a[at] != b[at])
            return false;
    }
    return true;
}

// The first position from `pos` on that holds "<", "&", CR, "]" or NUL, or
// the end of `text`. Sixteen bytes at a time where the processor allows.
std::size_t SkipPlainText(std::string_view text, std::size_t pos)
{
    const std::size_t size = text.size();
#if defined(__SSE2__)
    const char* const data = text.data();
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i amp = _mm_set1_epi8('&');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i bracket = _mm_set1_epi8(']');
    const __m128i zero = _mm_setzero_si128();
    while (pos + 16 <= size) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
        const __m128i hits = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(bytes, lt), _mm_cmpeq_epi8(bytes, amp)),
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, bracket)),
                         _mm_cmpeq_epi8(bytes, zero)));
        const int mask = _mm_movemask_epi8(hits);
        if (mask != 0)
            return pos + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        pos += 16;
    }
#endif
    while (pos < size && !Has(text[pos], kTextStop))
        ++pos;
    return pos;
}

// The reference that begins with "&" at `at`: its character and its length;
// length 0 when it is malformed, unknown or names no character.
struct CReference {
    char32_t character = 0;
    std::size_t length = 0;
};

CReference ParseReference(std::string_view text, std::size_t at)
{
    const std::size_t size = text.size();
    std::size_t pos = at + 1;
    if (pos < size && text[pos] == '#') {
        ++pos;
        const bool hex = pos < size && text[pos] == 'x';
        if (hex)
            ++pos;
        const std::size_t digitsStart = pos;
        std::uint32_t value = 0;
        for (; pos < size; ++pos) {
            const char c = text[pos];
            std::uint32_t digit;
            if (c >= '0' && c <= '9')
                digit = static_cast<std::uint32_t>(c - '0');
            else if (hex && c >= 'a' && c <= 'f')
                digit = static_cast<std::uint32_t>(c - 'a' + 10);
            else if (hex && c >= 'A' && c <= 'F')
                digit = static_cast<std::uint32_t>(c - 'A' + 10);
            else
                break;
            value = value * (hex ? 16 : 10) + digit;
            if (value > 0x10FFFF)
                value = 0x110000;  // stays out of range, never overflows
        }
        if (pos == digitsStart || pos >= size || text[pos] != ';')
            return {};
        if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return {};
        return {static_cast<char32_t>(value), pos + 1 - at};
    }
    static constexpr struct {
        std::string_view name;
        char character;
    } kEntities[] = {{"lt;", '<'}, {"gt;", '>'}, {"amp;", '&'}, {"apos;", '\''}, {"quot;", '"'}};
    for (const auto& entity : kEntities) {
        if (StartsWith(text, pos, entity.name))
            return {static_cast<char32_t>(entity.character), entity.name.size() + 1};
    }
    return {};
}

// Decodes a checked run: references, and line ends as text (CR LF and CR
// become LF) or as an attribute value (CR LF and each white space character
// become one blank).
void Decode(std::string& out, std::string_view raw, bool attribute)
{
    out.clear();
    out.reserve(raw.size());
    for (std::size_t pos = 0; pos < raw.size();) {
        // The bytes up to the next one that changes go in one piece.
        std::size_t plain = pos;
        while (plain < raw.size() && raw[plain] != '&' && raw[plain] != '\r' &&
               !(attribute && (raw[plain] == '\n' || raw[plain] == '\t')))
            ++plain;
        if (plain != pos) {
            out.append(raw.data() + pos, plain - pos);
            pos = plain;
            continue;
        }
        const char c = raw[pos];
        if (c == '&') {
            const CReference reference = ParseReference(raw, pos);
            AppendUtf8(out, reference.character);
            pos += reference.length == 0 ? 1 : reference.length;
        } else if (c == '\r') {
            out += attribute ? ' ' : '\n';
            pos += pos + 1 < raw.size() && raw[pos + 1] == '\n' ? 2 : 1;
        } else if (attribute && (c == '\n' || c == '\t')) {
            out += ' ';
            ++pos;
        } else {
            out += c;
            ++pos;
        }
    }
}

// The value of the "encoding" pseudo-attribute of an XML declaration that
// opens `document` (after a UTF-8 byte order mark), or "" when it names none.
std::string_view DeclaredEncoding(std::string_view document)
{
    std::size_t start = StartsWith(document, 0, "\xEF\xBB\xBF") ? 3 : 0;
    if (!StartsWith(document, start, "<?xml") || document.size() <= start + 5 || !Has(document[start + 5], kSpace))
        return {};
    const std::size_t end = document.find("?>", start);
    const std::string_view declaration = document.substr(start, end == std::string_view::npos ? document.size() : end - start);
    std::size_t at = declaration.find("encoding");
    if (at == std::string_view::npos)
        return {};
    at += 8;
    while (at < declaration.size() && Has(declaration[at], kSpace))
        ++at;
    if (at >= declaration.size() || declaration[at] != '=')
        return {};
    ++at;
    while (at < declaration.size() && Has(declaration[at], kSpace))
        ++at;
    if (at >= declaration.size() || (declaration[at] != '"' && declaration[at] != '\''))
        return {};
    const std::size_t close = declaration.find(declaration[at], at + 1);
    if (close == std::string_view::npos)
        return {};
    return declaration.substr(at + 1, close - at - 1);
}

} // namespace

bool CXmlPullReader::IsUtf8(std::string_view document)
{
    // Byte order marks of UTF-16 and UTF-32, and the zero bytes that those
    // encodings put into "<?" or "<a" without one.
    if (StartsWith(document, 0, "\xFE\xFF") || StartsWith(document, 0, "\xFF\xFE"))
        return false;
    if (document.substr(0, 4).find('\0') != std::string_view::npos)
        return false;
    const std::string_view encoding = DeclaredEncoding(document);
    return encoding.empty() || EqualsAsciiNoCase(encoding, "utf-8") || EqualsAsciiNoCase(encoding, "utf8");
}

CXmlPullReader::CXmlPullReader(std::string_view document) : m_doc(document)
{
    if (StartsWith(m_doc, 0, "\xEF\xBB\xBF"))
        m_pos = 3;
    if (StartsWith(m_doc, m_pos, "<?xml") && m_pos + 5 < m_doc.size() && Has(m_doc[m_pos + 5], kSpace)) {
        if (!IsUtf8(m_doc))
            Fail("the declared encoding is not UTF-8", m_pos);
        SkipProcessingInstruction(true);
    }
}

CXmlPullReader::CXmlPullReader(std::string_view document, std::size_t offset)
    : m_doc(document), m_pos(offset), m_fragment(true)
{
    if (offset >= m_doc.size() || m_doc[offset] != '<' || offset + 1 >= m_doc.size() ||
        !Has(m_doc[offset + 1], kNameStart))
        Fail("no start tag", offset);
}

CXmlPullReader::CXmlPullReader(std::string_view window, bool final) : CXmlPullReader(window)
{
    m_final = final;
}

bool CXmlPullReader::PrologIsWhole(std::string_view start)
{
    constexpr std::string_view kOrderMark = "\xEF\xBB\xBF";
    if (start.size() < 4)
        return false;
    const std::size_t at = StartsWith(start, 0, kOrderMark) ? kOrderMark.size() : 0;
    const std::string_view rest = start.substr(at);
    constexpr std::string_view kDeclaration = "<?xml";
    if (rest.size() <= kDeclaration.size())
        return kDeclaration.substr(0, rest.size()) != rest;
    if (!StartsWith(rest, 0, kDeclaration) || !Has(rest[kDeclaration.size()], kSpace))
        return true;
    return rest.find("?>") != std::string_view::npos;
}

void CXmlPullReader::Feed(std::string_view window, std::size_t dropped, bool final)
{
    // The former window may be gone (dropped == 0) or still there: only the
    // bytes of names that are dropped are read from it.
    const std::uintptr_t oldStart = reinterpret_cast<std::uintptr_t>(m_doc.data());
    const std::uintptr_t oldEnd = oldStart + m_doc.size();
    // A view into the former window, moved to the new one; a name whose
    // bytes are dropped is kept apart.
    const auto move = [&](std::string_view& view, bool keep) {
        const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(view.data());
        if (start < oldStart || start >= oldEnd)
            return;
        const std::size_t at = static_cast<std::size_t>(start - oldStart);
        if (at >= dropped) {
            view = window.substr(at - dropped, view.size());
        } else if (keep) {
            m_keptNames.emplace_back(view);
            view = m_keptNames.back();
        } else {
            view = {};
        }
    };
    for (std::string_view& name : m_open)
        move(name, true);
    move(m_name, false);
    m_rawText = {};
    m_decodedValid = false;
    m_attributes.clear();
    const auto shift = [dropped](std::size_t& at) { at = at > dropped ? at - dropped : 0; };
    shift(m_pos);
    shift(m_tokenStart);
    m_base += dropped;
    m_doc = window;
    m_final = final;
}

void CXmlPullReader::Fail(const char* what, std::size_t at) const
{
    throw CXmlSyntaxError(what, m_base + at);
}

void CXmlPullReader::Reset(const CMark& mark)
{
    m_pos = mark.pos;
    m_open.resize(mark.open);
    m_depth = m_open.size();
    m_pendingEnd = mark.pendingEnd;
    m_done = false;
    m_attributes.clear();
}

CXmlPullReader::Token CXmlPullReader::Next()
{
    if (m_final)
        return ReadToken();
    // Before the last piece: a token cut by the window's end either fails
    // or is a text that reaches it (whose end and what follows it are not
    // known yet). Either way it is read again once more has come; a true
    // failure then fails again, and for good with the last piece.
    const std::size_t start = m_pos;
    try {
        const Token token = ReadToken();
        if (token == Token::text && !m_cdata && m_pos + 1 >= m_doc.size()) {
            m_pos = start;
            return Token::more;
        }
        if (token == Token::more)
            m_pos = start;
        return token;
    } catch (const CXmlSyntaxError&) {
        m_pos = start;
        return Token::more;
    }
}

CXmlPullReader::Token CXmlPullReader::ReadToken()
{
    if (m_done)
        return Token::end;
    if (m_pendingEnd) {
        m_pendingEnd = false;
        m_name = m_open.back();
        m_open.pop_back();
        m_depth = m_open.size();
        return Token::endElement;
    }
    m_attributes.clear();
    for (;;) {
        if (m_fragment && m_rootSeen && m_open.empty()) {
            m_done = true;
            return Token::end;
        }
        if (m_pos >= m_doc.size())
            return m_final ? Finish() : Token::more;
        m_tokenStart = m_pos;
        const char c = m_doc[m_pos];
        if (c != '<') {
            if (!m_open.empty())
                return ReadText();
            // Outside the root only white space may stand.
            while (m_pos < m_doc.size() && Has(m_doc[m_pos], kSpace))
                ++m_pos;
            if (m_pos < m_doc.size() && m_doc[m_pos] != '<')
                Fail(m_rootSeen ? "text after the root element" : "text before the root element", m_pos);
            continue;
        }
        const char next = m_pos + 1 < m_doc.size() ? m_doc[m_pos + 1] : '\0';
        if (next == '/')
            return ReadEndTag();
        if (next == '?') {
            SkipProcessingInstruction(false);
            continue;
        }
        if (next == '!') {
            if (StartsWith(m_doc, m_pos, "<!--")) {
                SkipComment();
                continue;
            }
            if (StartsWith(m_doc, m_pos, "<![CDATA[")) {
                if (m_open.empty())
                    Fail("CDATA section outside the root element", m_pos);
                ReadCData();
                return Token::text;
            }
            if (StartsWith(m_doc, m_pos, "<!DOCTYPE"))
                Fail("document type declarations are not accepted", m_pos);
            Fail("malformed markup", m_pos);
        }
        return ReadStartTag();
    }
}

CXmlPullReader::Token CXmlPullReader::Finish()
{
    if (!m_open.empty())
        Fail("the document ends inside an element", m_doc.size());
    if (!m_rootSeen)
        Fail("the document holds no element", m_doc.size());
    m_done = true;
    return Token::end;
}

std::string_view CXmlPullReader::ReadName()
{
    // In locals: a store to m_pos could otherwise be taken to change the
    // document's size.
    const char* const start = m_doc.data() + m_pos;
    const char* const end = m_doc.data() + m_doc.size();
    if (start >= end || !Has(*start, kNameStart))
        return {};
    const char* at = start + 1;
    while (at < end && Has(*at, kNameChar))
        ++at;
    m_pos += static_cast<std::size_t>(at - start);
    return std::string_view(start, static_cast<std::size_t>(at - start));
}

void CXmlPullReader::SkipSpace()
{
    while (m_pos < m_doc.size() && Has(m_doc[m_pos], kSpace))
        ++m_pos;
}

CXmlPullReader::Token CXmlPullReader::ReadStartTag()
{
    if (m_open.empty() && m_rootSeen)
        Fail("a second element after the root element", m_pos);
    if (m_open.size() >= kMaxDepth)
        Fail("elements nested too deeply", m_pos);
    const std::size_t start = m_pos;
    ++m_pos;
    m_name = ReadName();
    if (m_name.empty())
        Fail("malformed start tag", start);
    // Mostly the name is all: "<name>".
    const bool bare = m_pos < m_doc.size() && m_doc[m_pos] == '>';
    if (bare)
        ++m_pos;
    while (!bare) {
        const bool spaced = m_pos < m_doc.size() && Has(m_doc[m_pos], kSpace);
        SkipSpace();
        if (m_pos >= m_doc.size())
            Fail("the document ends inside a start tag", start);
        const char c = m_doc[m_pos];
        if (c == '>') {
            ++m_pos;
            break;
        }
        if (c == '/') {
            if (m_pos + 1 >= m_doc.size() || m_doc[m_pos + 1] != '>')
                Fail("malformed start tag", m_pos);
            m_pos += 2;
            m_pendingEnd = true;
            break;
        }
        if (!spaced)
            Fail("malformed start tag", m_pos);
        const std::size_t attributeStart = m_pos;
        const std::string_view name = ReadName();
        if (name.empty())
            Fail("malformed attribute", attributeStart);
        SkipSpace();
        if (m_pos >= m_doc.size() || m_doc[m_pos] != '=')
            Fail("attribute without a value", attributeStart);
        ++m_pos;
        SkipSpace();
        if (m_pos >= m_doc.size() || (m_doc[m_pos] != '"' && m_doc[m_pos] != '\''))
            Fail("attribute value without quotes", attributeStart);
        const char quote = m_doc[m_pos];
        const std::size_t valueStart = m_pos + 1;
        const std::size_t close = m_doc.find(quote, valueStart);
        if (close == std::string_view::npos)
            Fail("the document ends inside an attribute value", attributeStart);
        const std::string_view raw = m_doc.substr(valueStart, close - valueStart);
        if (const std::size_t lt = raw.find_first_of(std::string_view("<\0", 2)); lt != std::string_view::npos)
            Fail(raw[lt] == '<' ? "\"<\" in an attribute value" : "NUL byte", valueStart + lt);
        CheckReferences(valueStart, close, true);
        for (const CAttribute& earlier : m_attributes) {
            if (earlier.name == name)
                Fail("attribute given twice", attributeStart);
        }
        m_attributes.push_back({name, raw});
        m_pos = close + 1;
    }
    m_depth = m_open.size();
    m_open.push_back(m_name);
    m_rootSeen = true;
    return Token::startElement;
}

CXmlPullReader::Token CXmlPullReader::ReadEndTag()
{
    const std::size_t start = m_pos;
    // Mostly the end tag closes the open element right away: "</name>".
    if (!m_open.empty()) {
        const std::string_view open = m_open.back();
        const std::size_t close = start + 2 + open.size();
        if (close < m_doc.size() && m_doc[close] == '>' &&
            SameBytes(m_doc.data() + start + 2, open.data(), open.size())) {
            m_pos = close + 1;
            m_name = open;
            m_open.pop_back();
            m_depth = m_open.size();
            return Token::endElement;
        }
    }
    m_pos += 2;
    const std::string_view name = ReadName();
    SkipSpace();
    if (name.empty() || m_pos >= m_doc.size() || m_doc[m_pos] != '>')
        Fail("malformed end tag", start);
    ++m_pos;
    if (m_open.empty())
        Fail("end tag without a start tag", start);
    if (m_open.back() != name)
        Fail("end tag does not match the open element", start);
    m_name = name;
    m_open.pop_back();
    m_depth = m_open.size();
    return Token::endElement;
}

void CXmlPullReader::CheckReferences(std::size_t from, std::size_t to, bool inAttribute)
{
    const std::string_view run = m_doc.substr(0, to);
    for (std::size_t at = run.find('&', from); at != std::string_view::npos; at = run.find('&', at + 1)) {
        if (ParseReference(run, at).length == 0)
            Fail(inAttribute ? "bad reference in an attribute value" : "bad reference", at);
    }
}

CXmlPullReader::Token CXmlPullReader::ReadText()
{
    const std::size_t start = m_pos;
    const std::size_t size = m_doc.size();
    bool decode = false;
    std::size_t pos = m_pos;
    for (;;) {
        pos = SkipPlainText(m_doc, pos);
        if (pos >= size || m_doc[pos] == '<')
            break;
        switch (m_doc[pos]) {
        case '&': {
            const CReference reference = ParseReference(m_doc, pos);
            if (reference.length == 0)
                Fail("bad reference", pos);
            decode = true;
            pos += reference.length;
            break;
        }
        case '\r':
            decode = true;
            ++pos;
            break;
        case ']':
            if (StartsWith(m_doc, pos, "]]>"))
                Fail("\"]]>\" in text", pos);
            ++pos;
            break;
        default:
            Fail("NUL byte", pos);
        }
    }
    m_pos = pos;
    m_rawText = m_doc.substr(start, pos - start);
    m_cdata = false;
    m_needsDecoding = decode;
    m_decodedValid = false;
    std::size_t first = 0;
    while (first < m_rawText.size() && Has(m_rawText[first], kSpace))
        ++first;
    m_whiteSpace = first == m_rawText.size();
    m_depth = m_open.size();
    return Token::text;
}

void CXmlPullReader::ReadCData()
{
    const std::size_t start = m_pos + 9;
    const std::size_t close = m_doc.find("]]>", start);
    if (close == std::string_view::npos)
        Fail("the document ends inside a CDATA section", m_pos);
    m_rawText = m_doc.substr(start, close - start);
    if (const std::size_t nul = m_rawText.find('\0'); nul != std::string_view::npos)
        Fail("NUL byte", start + nul);
    m_pos = close + 3;
    m_cdata = true;
    m_whiteSpace = false;
    m_needsDecoding = m_rawText.find('\r') != std::string_view::npos;
    m_decodedValid = false;
    m_depth = m_open.size();
}

void CXmlPullReader::SkipComment()
{
    const std::size_t start = m_pos;
    const std::size_t dashes = m_doc.find("--", start + 4);
    if (dashes == std::string_view::npos)
        Fail("the document ends inside a comment", start);
    if (dashes + 2 >= m_doc.size() || m_doc[dashes + 2] != '>')
        Fail("\"--\" inside a comment", dashes);
    if (const std::size_t nul = m_doc.substr(start, dashes - start).find('\0'); nul != std::string_view::npos)
        Fail("NUL byte", start + nul);
    m_pos = dashes + 3;
}

void CXmlPullReader::SkipProcessingInstruction(bool atStart)
{
    const std::size_t start = m_pos;
    m_pos += 2;
    const std::string_view target = ReadName();
    if (target.empty())
        Fail("malformed processing instruction", start);
    if (!atStart && EqualsAsciiNoCase(target, "xml"))
        Fail("XML declaration not at the start of the document", start);
    const std::size_t close = m_doc.find("?>", m_pos);
    if (close == std::string_view::npos)
        Fail("the document ends inside a processing instruction", start);
    if (close != m_pos && !Has(m_doc[m_pos], kSpace))
        Fail("malformed processing instruction", start);
    if (const std::size_t nul = m_doc.substr(start, close - start).find('\0'); nul != std::string_view::npos)
        Fail("NUL byte", start + nul);
    m_pos = close + 2;
}

std::string_view CXmlPullReader::Text()
{
    if (!m_needsDecoding)
        return m_rawText;
    if (!m_decodedValid) {
        if (m_cdata) {
            m_decoded.clear();
            AppendWithLineFeeds(m_decoded, m_rawText);
        } else {
            Decode(m_decoded, m_rawText, false);
        }
        m_decodedValid = true;
    }
    return m_decoded;
}

bool CXmlPullReader::EndTagFollows() const
{
    return m_pos + 1 < m_doc.size() && m_doc[m_pos] == '<' && m_doc[m_pos + 1] == '/';
}

std::string CXmlPullReader::AttributeValue(std::size_t index) const
{
    const std::string_view raw = m_attributes[index].rawValue;
    if (raw.find_first_of("&\r\n\t") == std::string_view::npos)
        return std::string(raw);
    std::string value;
    Decode(value, raw, true);
    return value;
}

bool CXmlPullReader::ReadPlainContent(std::string_view& text)
{
    if (m_pendingEnd || m_done || m_open.empty())
        return false;
    const std::size_t end = SkipPlainText(m_doc, m_pos);
    const std::string_view open = m_open.back();
    const std::size_t close = end + 2 + open.size();
    if (close >= m_doc.size() || m_doc[end] != '<' || m_doc[end + 1] != '/' || m_doc[close] != '>' ||
        !SameBytes(m_doc.data() + end + 2, open.data(), open.size()))
        return false;
    text = m_doc.substr(m_pos, end - m_pos);
    m_attributes.clear();
    m_tokenStart = end;
    m_pos = close + 1;
    m_name = open;
    m_open.pop_back();
    m_depth = m_open.size();
    return true;
}

bool CXmlPullReader::ReadBareStartTag()
{
    if (m_pendingEnd || m_done || m_open.empty() || m_open.size() >= kMaxDepth || m_pos + 1 >= m_doc.size() ||
        m_doc[m_pos] != '<' || !Has(m_doc[m_pos + 1], kNameStart))
        return false;
    const std::size_t start = m_pos;
    ++m_pos;
    const std::string_view name = ReadName();
    if (m_pos >= m_doc.size() || m_doc[m_pos] != '>') {
        m_pos = start;
        return false;
    }
    ++m_pos;
    m_attributes.clear();
    m_tokenStart = start;
    m_name = name;
    m_depth = m_open.size();
    m_open.push_back(name);
    return true;
}

bool CXmlPullReader::ReadPlainElement(std::string_view& text, std::size_t& startOffset)
{
    if (m_pendingEnd || m_done || m_open.empty() || m_open.size() >= kMaxDepth)
        return false;
    const char* const data = m_doc.data();
    const std::size_t size = m_doc.size();
    const std::size_t start = m_pos;
    if (start + 1 >= size || data[start] != '<' || !Has(data[start + 1], kNameStart))
        return false;
    std::size_t at = start + 2;
    while (at < size && Has(data[at], kNameChar))
        ++at;
    if (at >= size || data[at] != '>')
        return false;
    const std::string_view name(data + start + 1, at - start - 1);
    const std::size_t textStart = at + 1;
    const std::size_t end = SkipPlainText(m_doc, textStart);
    const std::size_t close = end + 2 + name.size();
    if (close >= size || data[end] != '<' || data[end + 1] != '/' || data[close] != '>' ||
        !SameBytes(data + end + 2, name.data(), name.size()))
        return false;
    text = std::string_view(data + textStart, end - textStart);
    startOffset = m_base + start;
    m_attributes.clear();
    m_tokenStart = end;
    m_pos = close + 1;
    m_name = name;
    m_depth = m_open.size();
    return true;
}

void CXmlPullReader::SkipElement()
{
    const std::size_t depth = m_depth;
    for (;;) {
        const Token token = Next();
        if (token == Token::endElement && m_depth == depth)
            return;
        if (token == Token::end || token == Token::more)
            return;
    }
}

} // namespace tarnwel
