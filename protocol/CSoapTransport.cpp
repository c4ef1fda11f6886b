#include "protocol/CSoapTransport.h"

#include "platform/base/ComError.h"
#include "platform/soap/CCurlConnector.h"
#include "platform/soap/CSoapSerializer.h"
#include "platform/soap/SoapConnector.h"
#include "protocol/ReplyStream.h"
#include "protocol/XmlSearch.h"

#include <initializer_list>
#include <new>
#include <string.h>
#include <optional>
#include <vector>

namespace tarnwel {
namespace {

bool IsSessionExempt(const std::string& method)
{
    return method == "authenticate" || method == "sign_out";
}

std::string WriteEnvelope(const std::string& method, const std::string& namespaceUri, const std::string& body)
{
    CSoapSerializer serializer;
    constexpr std::size_t kFrameBytes = 256;  // the envelope's own tags
    serializer.Reserve(kFrameBytes + 2 * method.size() + namespaceUri.size() + body.size());
    serializer.StartEnvelope();
    serializer.StartBody();
    serializer.StartElement(method, namespaceUri, "replicate");
    serializer.WriteXml(body);
    serializer.EndElement();
    serializer.EndBody();
    serializer.EndEnvelope();
    return serializer.TakeText();
}

bool IsSuccessStatus(long status)
{
    return status >= 200 && status < 300;
}

[[noreturn]] void RaiseHttpStatus(long status)
{
    throw CComError(com_codes::kFail, "The server answered with HTTP status " + std::to_string(status));
}

} // namespace

const pugi::xml_document& CSoapReply::Dom() const
{
    if (!m_reader)
        throw CComError(com_codes::kPointer, "The reply holds no document");
    return m_reader->Dom();
}

std::unique_ptr<ISoapConnector> CSoapTransport::MakeConnector(std::int32_t timeout) const
{
    std::unique_ptr<ISoapConnector> connector = CreateSoapConnector();
    if (!connector)
        throw CComError(com_codes::kPointer, "The SOAP connector could not be created");
    connector->SetEndpointUrl(m_endpoint);
    connector->SetTimeout(timeout);
    connector->SetAbortFlag(m_abort);
    return connector;
}

CHttpResponse CSoapTransport::Exchange(const std::string& method, const std::string& namespaceUri,
                                       const std::string& body, std::int32_t timeout)
{
    return MakeConnector(timeout)->Send(WriteEnvelope(method, namespaceUri, body));
}

namespace {

// Loads the reply into a document, and raises as Call does for a reply that
// is no XML, a fault, an HTTP error, no reply of `method` or a wrong session id.
std::shared_ptr<CSoapReader> LoadCheckedReply(const std::string& method, CHttpResponse response)
{
    const long status = response.status;
    std::shared_ptr<CSoapReader> reader;
    try {
        reader = std::make_shared<CSoapReader>();
    } catch (const std::bad_alloc&) {
        throw CSoapErrorText(kSoapReaderMissingText);
    }
    try {
        reader->Load(std::move(response.body));  // the reply's text is held once, by the reader
    } catch (const CComError&) {
        // An error page that is no XML says more by its status than by its text.
        if (!IsSuccessStatus(status))
            RaiseHttpStatus(status);
        throw;
    }
    if (reader->Fault())
        throw CSoapErrorText(kSoapFaultText + reader->Xml());
    if (!IsSuccessStatus(status))
        RaiseHttpStatus(status);
    if (!reader->HoldsResponse(method))
        throw CComError(com_codes::kFail, "The server's answer is no reply to " + method);

    constexpr std::string_view kWrongSession = "wrong-session-id";
    if (!IsSessionExempt(method) && reader->MayHoldElement(kWrongSession) &&
        !ElementsByTagName(reader->Dom(), kWrongSession).empty())
        throw CSoapErrorText(kSoapSessionFailureText);
    return reader;
}

constexpr std::string_view kEnvelopeNamespace = "http://schemas.xmlsoap.org/soap/envelope/";

// The namespace declarations ("xmlns", "xmlns:p") of the current start tag.
// They outlive the window the tag was read from.
struct CDeclaration {
    std::string prefix;  // empty for the default namespace
    std::string uri;
};
using CDeclarations = std::vector<CDeclaration>;

void ReadDeclarations(const CXmlPullReader& reader, CDeclarations& declarations)
{
    declarations.clear();
    for (std::size_t i = 0; i < reader.AttributeCount(); ++i) {
        const std::string_view name = reader.AttributeName(i);
        if (name == "xmlns")
            declarations.push_back({{}, reader.AttributeValue(i)});
        else if (name.size() > 6 && name.substr(0, 6) == "xmlns:")
            declarations.push_back({std::string(name.substr(6)), reader.AttributeValue(i)});
    }
}

std::string_view LocalName(std::string_view name)
{
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// Whether the element `name` is `localName` of the envelope namespace, with
// the declarations in force from the innermost scope out.
bool IsEnvelopeElement(std::string_view name, std::string_view localName,
                       std::initializer_list<const CDeclarations*> scopes)
{
    if (LocalName(name) != localName)
        return false;
    const auto colon = name.find(':');
    const std::string_view prefix = colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
    for (const CDeclarations* scope : scopes) {
        for (const CDeclaration& declaration : *scope) {
            if (declaration.prefix == prefix)
                return declaration.uri == kEnvelopeNamespace;
        }
    }
    return false;
}

// What a reply read as a stream showed of itself.
struct CReplyShape {
    bool fault = false;          // a Fault element in the envelope's Body
    bool response = false;       // a "<method>Response" element in the envelope's Body
    bool wrongSession = false;   // a "wrong-session-id" element anywhere
};

// Hands the item at the stream's current start tag to `items`, then each item
// that stood inside it, on its own, in document order. False when the rest of
// the item has not come yet: nothing of it was handed over then.
bool ReadItem(CXmlPullReader& reader, CReplyStream& stream, std::string_view itemName, IReplyItemReader& items)
{
    try {
        CStreamElement item(stream);
        items.Read(item);
        item.Finish();
    } catch (const CReplyItemCut&) {
        stream.ForgetNested();
        return false;
    }
    // The item stands whole in the window, and so do those inside it.
    for (const std::size_t offset : stream.TakeNested()) {
        CXmlPullReader inner(reader.Window(), offset - reader.Base());
        CReplyStream innerStream(inner, itemName, false);
        inner.Next();
        CStreamElement item(innerStream);
        items.Read(item);
        item.Finish();
    }
    return true;
}

// Reads a getItems reply as its body arrives, in one pass: checks that it is
// well-formed, hands over its items and finds what Call checks. The body
// waits in a window from which what has been read is dropped once the
// response element has begun (the envelope up to there is kept for a
// fault's text, as is what follows the response element); before that, and
// for a reply that is no UTF-8 or comes with an HTTP error, the body is kept
// whole.
class CReplyScan : public IHttpBodySink {
public:
    CReplyScan(const std::string& method, std::string_view itemName, IReplyItemReader& items)
        : m_method(method), m_responseName(method + "Response"), m_itemName(itemName),
          m_endTag("</" + std::string(itemName)), m_items(items)
    {
    }

    void Start(long status, std::int64_t length) override
    {
        m_status = status;
        if (length > 0)
            m_items.Prepare(static_cast<std::size_t>(length));
    }

    void Append(std::string_view piece) override
    {
        if (!m_reader) {
            Window().append(piece);
            if (m_whole || !CXmlPullReader::PrologIsWhole(Window()))
                return;
            if (!IsSuccessStatus(m_status) || !CXmlPullReader::IsUtf8(Window())) {
                m_whole = true;
                return;
            }
            Begin(false);
            return;
        }
        if (m_dropping) {
            // The unread rest and the piece go to the other buffer, so that
            // the reader can still keep what it needs of the former window.
            // (Swapping the buffers would move the bytes of a short one.)
            const std::size_t dropped = m_reader->Position();
            std::string& next = m_buffers[m_current ^ 1];
            next.assign(Window(), dropped);
            next.append(piece);
            m_reader->Feed(next, dropped, false);
            m_current ^= 1;
        } else {
            Window().append(piece);
            m_reader->Feed(Window(), 0, false);
        }
        Run();
    }

    // After the exchange, with its status: reads the rest and makes the
    // checks of Call. Raises CXmlSyntaxError for a reply that is no XML.
    void Finish(long status)
    {
        m_status = status;
        if (!m_reader) {
            if (!CXmlPullReader::IsUtf8(Window())) {
                CHttpResponse response{status, std::move(Window())};
                m_documentReader = LoadCheckedReply(m_method, std::move(response));
                return;
            }
            m_final = true;
            Begin(true);
        } else {
            m_final = true;
            m_reader->Feed(Window(), 0, true);
            Run();
        }
    }

    // The reply read as a document (one that is no UTF-8), else null.
    const std::shared_ptr<const CSoapReader>& Document() const { return m_documentReader; }
    const CReplyShape& Shape() const { return m_shape; }
    long Status() const { return m_status; }

    // The text of the reply for its fault: the whole of it, or, when its
    // response element's content was dropped, the reply without it.
    std::string FaultText()
    {
        if (!m_dropped)
            return std::move(Window());
        return m_prefix + Window().substr(m_keepFrom - m_reader->Base());
    }

private:
    std::string& Window() { return m_buffers[m_current]; }

    void Begin(bool final)
    {
        m_reader.emplace(Window(), final);
        m_stream.emplace(*m_reader, m_itemName, true);
        Run();
    }

    // Whether the item at the reader's start tag may stand whole in the
    // window: near the window's end (within twice the size of the item
    // before), only when an end tag of its name follows (reading an item
    // that turns out cut costs more).
    bool ItemMayBeWhole(const CXmlPullReader& reader) const
    {
        const std::string_view rest = reader.Window().substr(reader.Position());
        if (m_final || rest.size() >= 2 * m_itemBytes + 64)
            return true;
        return memmem(rest.data(), rest.size(), m_endTag.data(), m_endTag.size()) != nullptr;
    }

    void Run()
    {
        CXmlPullReader& reader = *m_reader;
        for (;;) {
            const CXmlPullReader::CMark mark = reader.Mark();
            // Mostly an item's start tag comes next, without attributes.
            const CXmlPullReader::Token token =
                reader.ReadBareStartTag() ? CXmlPullReader::Token::startElement : reader.Next();
            if (token == CXmlPullReader::Token::end || token == CXmlPullReader::Token::more)
                break;
            if (token == CXmlPullReader::Token::endElement) {
                // The response element ends: what follows it is kept.
                if (m_dropping && reader.Depth() == 2) {
                    m_dropping = false;
                    m_keepFrom = reader.Offset();
                    if (reader.Base() == 0) {
                        // Nothing was dropped (the element was empty or short).
                        m_dropped = false;
                        m_prefix.clear();
                    }
                }
                continue;
            }
            if (token != CXmlPullReader::Token::startElement)
                continue;
            const std::string_view name = reader.Name();
            const std::size_t depth = reader.Depth();
            if (depth == 0) {
                ReadDeclarations(reader, m_rootScope);
                m_rootIsEnvelope = IsEnvelopeElement(name, "Envelope", {&m_rootScope});
            } else if (depth == 1) {
                ReadDeclarations(reader, m_bodyScope);
                m_inBody = m_rootIsEnvelope && IsEnvelopeElement(name, "Body", {&m_bodyScope, &m_rootScope});
            } else if (depth == 2 && m_inBody) {
                ReadDeclarations(reader, m_ownScope);
                if (IsEnvelopeElement(name, "Fault", {&m_ownScope, &m_bodyScope, &m_rootScope}))
                    m_shape.fault = true;
                if (LocalName(name) == m_responseName) {
                    m_shape.response = true;
                    // The items follow: from here on what has been read is
                    // dropped, once, unless a fault came first.
                    if (!m_shape.fault && !m_dropped && reader.Base() == 0) {
                        m_prefix.assign(Window(), 0, reader.Position());
                        m_dropping = m_dropped = true;
                    }
                }
            }
            if (name != m_itemName) {
                m_stream->Watch(name);
            } else if (!ItemMayBeWhole(reader) || !ReadItem(reader, *m_stream, m_itemName, m_items)) {
                // Read again, from its start tag, once more has come.
                reader.Reset(mark);
                break;
            } else {
                m_itemBytes = reader.Position() - mark.pos;
            }
        }
        m_shape.wrongSession = m_stream->SawWrongSessionId();
    }

    const std::string& m_method;
    const std::string m_responseName;
    std::string_view m_itemName;
    const std::string m_endTag;
    IReplyItemReader& m_items;
    bool m_final = false;          // the whole body has come
    std::size_t m_itemBytes = 512;  // the size of the last item read
    long m_status = 0;
    // The body's window: one of two buffers, which take turns once bytes
    // are dropped.
    std::string m_buffers[2];
    unsigned m_current = 0;

    bool m_whole = false;  // the body is kept whole and read at the end
    std::optional<CXmlPullReader> m_reader;
    std::optional<CReplyStream> m_stream;
    std::shared_ptr<const CSoapReader> m_documentReader;
    CReplyShape m_shape;
    CDeclarations m_rootScope, m_bodyScope, m_ownScope;
    bool m_rootIsEnvelope = false;
    bool m_inBody = false;
    bool m_dropping = false;  // read bytes are dropped from the window
    bool m_dropped = false;   // the response element's content was dropped
    std::string m_prefix;     // the reply up to the end of the response element's start tag
    std::size_t m_keepFrom = 0;  // where the response element's end tag begins
};

} // namespace

CSoapReply CSoapTransport::Call(const std::string& method, const std::string& namespaceUri, const std::string& body,
                                std::int32_t timeout)
{
    return CSoapReply(LoadCheckedReply(method, Exchange(method, namespaceUri, body, timeout)));
}

void CSoapTransport::CallForItems(const std::string& method, const std::string& namespaceUri, std::string body,
                                  std::int32_t timeout, std::string_view itemName, IReplyItemReader& items)
{
    std::unique_ptr<ISoapConnector> connector = MakeConnector(timeout);
    std::string envelope = WriteEnvelope(method, namespaceUri, body);
    std::string().swap(body);  // a request of many ids is held once, and not while the reply comes
    CReplyScan scan(method, itemName, items);
    try {
        scan.Finish(connector->SendReleasing(std::move(envelope), scan));
    } catch (const CXmlSyntaxError& error) {
        if (!IsSuccessStatus(scan.Status()))
            RaiseHttpStatus(scan.Status());
        throw CComError(com_codes::kFail, std::string("The server's answer is not XML: ") + error.what());
    }
    if (const std::shared_ptr<const CSoapReader>& reader = scan.Document()) {
        for (const pugi::xml_node& item : ElementsByTagName(reader->Dom(), itemName))
            items.Read(item);
        return;
    }
    const CReplyShape& shape = scan.Shape();
    if (shape.fault) {
        CSoapReader document;
        document.Load(scan.FaultText());
        throw CSoapErrorText(kSoapFaultText + document.Xml());
    }
    if (!IsSuccessStatus(scan.Status()))
        RaiseHttpStatus(scan.Status());
    if (!shape.response)
        throw CComError(com_codes::kFail, "The server's answer is no reply to " + method);
    if (!IsSessionExempt(method) && shape.wrongSession)
        throw CSoapErrorText(kSoapSessionFailureText);
}

void InitializeCom()
{
    CCurlConnector::InitializeLibrary();
}

} // namespace tarnwel
