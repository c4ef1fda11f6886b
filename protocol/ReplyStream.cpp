#include "protocol/ReplyStream.h"

namespace tarnwel {

using Token = CXmlPullReader::Token;

void CReplyStream::WatchNamed(std::string_view name, std::size_t offset)
{
    if (name == m_itemName)
        m_nested.push_back(offset);
    else if (name == kWrongSessionName)
        m_wrongSessionId = true;
}

Token CReplyStream::Next()
{
    const Token token = m_reader.Next();
    if (token == Token::more)
        throw CReplyItemCut{};
    if (token == Token::startElement)
        Watch(m_reader.Name());
    return token;
}

std::string_view CStreamElement::ReadText(std::string& buffer)
{
    if (m_used)
        return {};
    m_used = true;
    CXmlPullReader& reader = m_stream.Reader();
    // Mostly the element holds one plain text or nothing.
    std::string_view plain;
    if (reader.ReadPlainContent(plain)) {
        m_closed = true;
        return plain;
    }
    std::vector<CReplyStream::CTextState>& open = m_stream.TextStates();
    open.assign(1, {});
    std::string_view first;
    std::size_t pieces = 0;
    for (;;) {
        const Token token = m_stream.Next();
        if (token == Token::startElement) {
            open.back().child = true;
            open.emplace_back();
            continue;
        }
        if (token == Token::endElement || token == Token::end) {
            open.pop_back();
            if (!open.empty() && token == Token::endElement)
                continue;
            m_closed = true;
            break;
        }
        CReplyStream::CTextState& state = open.back();
        if (reader.IsCData()) {
            state.child = true;
        } else {
            if (reader.IsWhiteSpace() && (state.child || !reader.EndTagFollows()))
                continue;
            if (state.child || state.firstText)
                state.child = true;
            else
                state.firstText = true;
        }
        if (pieces == 1)
            buffer.assign(first);  // before the reader's next text may replace it
        const std::string_view piece = reader.Text();
        if (pieces == 0)
            first = piece;
        else
            buffer.append(piece);
        ++pieces;
    }
    return pieces <= 1 ? first : std::string_view(buffer);
}

void CStreamElement::Finish()
{
    if (m_closed)
        return;
    m_used = true;
    m_closed = true;
    CXmlPullReader& reader = m_stream.Reader();
    for (;;) {
        const Token token = m_stream.Next();
        if ((token == Token::endElement && reader.Depth() == m_depth) || token == Token::end)
            return;
    }
}

} // namespace tarnwel
