#pragma once
// A strict streaming reader of one XML document held in memory: the caller
// pulls one token after the other (start tag, end tag, text), and nothing of
// the document is built. Names, and texts that need no decoding, are views
// into the document, which must outlive the reader.
//
// What it takes: UTF-8 text (a UTF-8 byte order mark is passed over), an XML
// declaration at the very start, comments and processing instructions
// (passed over), one root element with attributes and namespace prefixes as
// written, text and CDATA sections inside it. The five predefined entities and
// numeric character references are decoded; line ends are normalised to
// "\n" as XML prescribes (a reference to a carriage return stays one).
//
// What it refuses, with CXmlSyntaxError: a document type declaration (and with
// it every entity declaration), unknown entities and references that are
// malformed or name no character (zero, surrogates, above U+10FFFF), a NUL
// byte, unclosed or wrongly nested elements, malformed tags, attributes and
// comments, an attribute named twice, "]]>" or "<" where they may not stand,
// text or a second element outside the root, a document without a root, and
// elements nested deeper than kMaxDepth (no reply comes near it; the limit
// bounds the work of readers that walk an element's content more than once).
// It never reads outside the document. Other control characters and bytes
// that are no valid UTF-8 pass as they are.
//
// A document may also arrive in pieces: the reader then reads a window of it
// (Feed) and gives a token only once it stands whole in the window, which
// the caller may drop bytes from once they are read. Until the last piece
// has come, what the reader would refuse counts as not whole yet; everything
// it gives and refuses is the same as for the whole document, offsets
// included.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwel {

class CXmlSyntaxError : public std::runtime_error {
public:
    CXmlSyntaxError(const std::string& what, std::size_t offset)
        : std::runtime_error(what + " at offset " + std::to_string(offset)), m_offset(offset)
    {
    }
    std::size_t Offset() const { return m_offset; }

private:
    std::size_t m_offset;
};

class CXmlPullReader {
public:
    // `more`: the next token does not stand whole in the window yet (only
    // while the document arrives in pieces).
    enum class Token { startElement, endElement, text, end, more };
    static constexpr std::size_t kMaxDepth = 64;

    // Whether the document is UTF-8 as far as its start tells: no byte order
    // mark of UTF-16 or UTF-32 and no zero byte among its first four bytes,
    // and an XML declaration that names no encoding or UTF-8.
    static bool IsUtf8(std::string_view document);

    // Reads the whole document: prolog, root element, what follows it. A
    // declaration that names another encoding than UTF-8 is refused.
    explicit CXmlPullReader(std::string_view document);

    // Reads only the element whose start tag begins at `offset` (a start
    // tag's Offset() seen by another reader of the same document) and ends
    // after its end tag.
    CXmlPullReader(std::string_view document, std::size_t offset);

    // Reads a document that arrives in pieces, from its first bytes in
    // `window`, which must hold its prolog whole (PrologIsWhole) unless
    // `final`.
    CXmlPullReader(std::string_view window, bool final);

    // Whether the start of a document is enough to begin reading it: its
    // byte order mark, and its XML declaration up to its end.
    static bool PrologIsWhole(std::string_view start);

    // The window moved on: `window` holds the bytes of the former window
    // from `dropped` on, which must be read already (dropped <= Position()),
    // and what arrived since; `final` when the document ends with it. While
    // bytes are dropped, the former window must still hold them during the
    // call. Views given before are not valid any more.
    void Feed(std::string_view window, std::size_t dropped, bool final);
    // Where in the window the reading stands: the bytes before are read.
    std::size_t Position() const { return m_pos; }
    // The window and where it begins in the document.
    std::string_view Window() const { return m_doc; }
    std::size_t Base() const { return m_base; }

    // Where the reading stands, to go back to (a document that arrives in
    // pieces: an element whose end has not come yet is read again).
    struct CMark {
        std::size_t pos = 0;
        std::size_t open = 0;
        bool pendingEnd = false;
    };
    CMark Mark() const { return {m_pos, m_open.size(), m_pendingEnd}; }
    // Back to `mark`, in the same window.
    void Reset(const CMark& mark);

    // The next token. An empty element ("<a/>") gives its start and its end.
    // After `end` every call gives `end` again.
    Token Next();

    // Of the current start or end tag: the name as written, prefix included.
    std::string_view Name() const { return m_name; }
    // Open elements around the current token: 0 for the root's start and
    // end tag, 1 for the root's text and children, and so on.
    std::size_t Depth() const { return m_depth; }
    // Where the current token begins in the document.
    std::size_t Offset() const { return m_base + m_tokenStart; }

    // Attributes of the current start tag, in the order written.
    std::size_t AttributeCount() const { return m_attributes.size(); }
    std::string_view AttributeName(std::size_t index) const { return m_attributes[index].name; }
    // The value with references decoded and white space characters made
    // blanks, as XML normalises attribute values.
    std::string AttributeValue(std::size_t index) const;

    // Of the current text token: one run of character data between two pieces
    // of markup, or one CDATA section. Comments and processing instructions
    // end a run, so the text around them comes as two tokens.
    std::string_view Text();
    bool IsCData() const { return m_cdata; }
    // Whether the run is nothing but blanks, tabs and line ends (never true
    // of a CDATA section).
    bool IsWhiteSpace() const { return m_whiteSpace; }
    // Whether an end tag follows the run directly.
    bool EndTagFollows() const;

    // After a start tag: passes over the element's content and its end tag,
    // which becomes the current token (or stops where more is needed).
    void SkipElement();

    // After a start tag whose content is one run of plain text (no markup,
    // no reference, no carriage return), or nothing, directly followed by
    // its end tag: reads both, the end tag becoming the current token, and
    // gives the text as a view of the document. Otherwise reads nothing and
    // answers false.
    bool ReadPlainContent(std::string_view& text);

    // Inside an element, where a start tag without attributes ("<name>")
    // comes next: reads it as Next would. Otherwise reads nothing and
    // answers false.
    bool ReadBareStartTag();

    // Inside an element, where a child without attributes follows whose
    // content is one run of plain text, or nothing, directly followed by its
    // end tag ("<name>text</name>"): reads all of it as Next would, the end
    // tag becoming the current token, and gives the text as a view of the
    // document and where the child's start tag begins in the document.
    // Otherwise reads nothing and answers false.
    bool ReadPlainElement(std::string_view& text, std::size_t& startOffset);

private:
    struct CAttribute {
        std::string_view name;
        std::string_view rawValue;
    };

    [[noreturn]] void Fail(const char* what, std::size_t at) const;
    Token ReadMarkup();
    Token ReadStartTag();
    Token ReadEndTag();
    Token ReadText();
    void ReadCData();
    void SkipComment();
    void SkipProcessingInstruction(bool atStart);
    std::string_view ReadName();
    void SkipSpace();
    void CheckReferences(std::size_t from, std::size_t to, bool inAttribute);
    Token Finish();
    Token ReadToken();

    std::string_view m_doc;
    std::size_t m_base = 0;       // where the window begins in the document
    std::deque<std::string> m_keptNames;  // open elements' names dropped from the window
    std::size_t m_pos = 0;
    std::size_t m_tokenStart = 0;
    std::vector<std::string_view> m_open;  // names of the open elements, outermost first
    std::vector<CAttribute> m_attributes;
    std::string_view m_name;
    std::string_view m_rawText;
    std::string m_decoded;
    std::size_t m_depth = 0;
    bool m_final = true;         // the window reaches the document's end
    bool m_fragment = false;     // reads one element, not a document
    bool m_rootSeen = false;
    bool m_done = false;
    bool m_pendingEnd = false;   // an empty element's end comes next
    bool m_cdata = false;
    bool m_whiteSpace = false;
    bool m_needsDecoding = false;
    bool m_decodedValid = false;
};

} // namespace tarnwel
