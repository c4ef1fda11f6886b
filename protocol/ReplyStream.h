#pragma once
// The item elements of a reply read straight from the pull reader, without a
// document. A CStreamElement stands for one element whose start tag the
// reader has just given; the reply readers walk it as they walk a document's
// node: its element children by name, or its text. The text of an element is
// the one a reply document gives (ReplyReaders.h): all its character data and
// CDATA, in order, where a run of white space counts only when it is the
// first content of its element and an end tag follows it directly.
//
// CReplyStream carries the reader and watches every start tag that passes:
// elements named as the items (an item inside an item is read on its own as
// well, after the one around it) and "wrong-session-id" elements.

#include "platform/soap/CXmlPullReader.h"

#include <pugixml.hpp>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwel {

// Raised while an item is read from a reply that arrives in pieces, when the
// rest of the item has not come yet: the item is read again once it has.
struct CReplyItemCut {};

class CReplyStream {
public:
    // `watch`: note the item elements and "wrong-session-id" elements that
    // pass (false when an item is read again on its own).
    CReplyStream(CXmlPullReader& reader, std::string_view itemName, bool watch)
        : m_reader(reader), m_itemName(itemName), m_watch(watch)
    {
    }

    CXmlPullReader& Reader() { return m_reader; }
    // The reader's next token; CReplyItemCut where the reader needs more
    // of the reply.
    CXmlPullReader::Token Next();
    // As Next, inside an element, where mostly a bare start tag comes next.
    CXmlPullReader::Token NextInElement()
    {
        if (!m_reader.ReadBareStartTag())
            return Next();
        Watch(m_reader.Name());
        return CXmlPullReader::Token::startElement;
    }
    // Inside an element, where mostly a child of plain text comes next
    // ("<name>text</name>"): reads it whole, its end tag becoming the
    // reader's current token, and gives its text. Otherwise reads nothing
    // and answers false.
    bool NextPlainChild(std::string_view& text)
    {
        std::size_t start = 0;
        if (!m_reader.ReadPlainElement(text, start))
            return false;
        Watch(m_reader.Name(), start);
        return true;
    }

    // Where the item elements begin that passed since the last TakeNested.
    std::vector<std::size_t> TakeNested() { return std::move(m_nested); }
    void ForgetNested() { m_nested.clear(); }
    bool SawWrongSessionId() const { return m_wrongSessionId; }
    // The top-level scan reports the start tags it reads itself.
    void Watch(std::string_view name) { Watch(name, m_reader.Offset()); }
    // The same for a start tag that began at `offset`.
    void Watch(std::string_view name, std::size_t offset)
    {
        // Most names differ from both in their length or first letter.
        if (m_watch && !name.empty() &&
            ((name.size() == m_itemName.size() && name[0] == m_itemName[0]) ||
             (name.size() == kWrongSessionName.size() && name[0] == kWrongSessionName[0])))
            WatchNamed(name, offset);
    }

    // Per open element while a text is gathered: whether it has a child node
    // yet (an element, a CDATA section, a second text), and whether its first
    // text was taken. Kept here so that gathering allocates nothing.
    struct CTextState {
        bool child = false;
        bool firstText = false;
    };
    std::vector<CTextState>& TextStates() { return m_textStates; }

private:
    static constexpr std::string_view kWrongSessionName = "wrong-session-id";

    void WatchNamed(std::string_view name, std::size_t offset);

    CXmlPullReader& m_reader;
    std::string_view m_itemName;
    bool m_watch;
    bool m_wrongSessionId = false;
    std::vector<std::size_t> m_nested;
    std::vector<CTextState> m_textStates;
};

class CStreamElement {
public:
    // The element whose start tag is the reader's current token.
    explicit CStreamElement(CReplyStream& stream) : m_stream(stream), m_depth(stream.Reader().Depth()) {}

    // Calls `read(name, child)` for each element child, with the child as a
    // CStreamElement; a child that `read` leaves unread is passed over.
    template <typename Read>
    void ForEachElementChild(Read&& read)
    {
        if (m_used)
            return;
        m_used = true;
        if (m_closed)
            return;
        for (;;) {
            std::string_view text;
            if (m_stream.NextPlainChild(text)) {
                CStreamElement child(m_stream, text);
                read(m_stream.Reader().Name(), child);
                continue;
            }
            const CXmlPullReader::Token token = m_stream.NextInElement();
            if (token == CXmlPullReader::Token::startElement) {
                CStreamElement child(m_stream);
                read(m_stream.Reader().Name(), child);
                child.Finish();
            } else if (token == CXmlPullReader::Token::endElement || token == CXmlPullReader::Token::end) {
                m_closed = true;
                return;
            }
        }
    }

    // The element's text: a view of the document or of the reader, valid
    // until the reader moves on, or of `buffer` when it is made of pieces.
    std::string_view Text(std::string& buffer)
    {
        if (m_used || !m_closed)
            return ReadText(buffer);
        m_used = true;  // read whole already
        return m_text;
    }

    // Passes over whatever of the element is still unread, its end tag included.
    void Finish();

private:
    std::string_view ReadText(std::string& buffer);

    // A child read whole already, whose content is `text`.
    CStreamElement(CReplyStream& stream, std::string_view text)
        : m_stream(stream), m_depth(stream.Reader().Depth()), m_closed(true), m_text(text)
    {
    }

    CReplyStream& m_stream;
    std::size_t m_depth;
    bool m_used = false;    // its content has been read or is being read
    bool m_closed = false;  // its end tag has been read
    std::string_view m_text;  // the content of an element read whole at once
};

// What reads the items of a reply, from the stream or, for a reply that is no
// UTF-8, from its document.
class IReplyItemReader {
public:
    virtual ~IReplyItemReader() = default;
    // Before the first item, with the length of the reply's body as the
    // server stated it, to make room for its items.
    virtual void Prepare(std::size_t /*replyBytes*/) {}
    // A Read that ends with CReplyItemCut takes back what it did with the
    // item, which comes again, whole, later.
    virtual void Read(CStreamElement& item) = 0;
    virtual void Read(pugi::xml_node item) = 0;
};

} // namespace tarnwel
