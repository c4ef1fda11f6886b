#include "protocol/CSoapTransport.h"

#include "platform/base/ComError.h"
#include "platform/soap/CCurlConnector.h"
#include "platform/soap/CSoapSerializer.h"
#include "platform/soap/SoapConnector.h"
#include "protocol/ReplyStream.h"
#include "protocol/XmlSearch.h"

#include <initializer_list>
#include <new>
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

CHttpResponse CSoapTransport::Exchange(const std::string& method, const std::string& namespaceUri,
                                       const std::string& body, std::int32_t timeout)
{
    std::unique_ptr<ISoapConnector> connector = CreateSoapConnector();
    if (!connector)
        throw CComError(com_codes::kPointer, "The SOAP connector could not be created");
    connector->SetEndpointUrl(m_endpoint);
    connector->SetTimeout(timeout);
    connector->SetAbortFlag(m_abort);
    return connector->Send(WriteEnvelope(method, namespaceUri, body));
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
struct CDeclaration {
    std::string_view prefix;  // empty for the default namespace
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
            declarations.push_back({name.substr(6), reader.AttributeValue(i)});
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
// that stood inside it, on its own, in document order.
void ReadItem(std::string_view text, CReplyStream& stream, std::string_view itemName, IReplyItemReader& items)
{
    {
        CStreamElement item(stream);
        items.Read(item);
        item.Finish();
    }
    for (const std::size_t offset : stream.TakeNested()) {
        CXmlPullReader inner(text, offset);
        CReplyStream innerStream(inner, itemName, false);
        inner.Next();
        CStreamElement item(innerStream);
        items.Read(item);
        item.Finish();
    }
}

// One pass over the whole reply: checks that it is well-formed, hands over
// its items and finds what Call checks.
CReplyShape ScanReply(std::string_view text, const std::string& method, std::string_view itemName,
                      IReplyItemReader& items)
{
    CXmlPullReader reader(text);
    CReplyStream stream(reader, itemName, true);
    const std::string responseName = method + "Response";
    CReplyShape shape;
    CDeclarations rootScope, bodyScope, ownScope;
    bool rootIsEnvelope = false;
    bool inBody = false;
    for (;;) {
        const CXmlPullReader::Token token = reader.Next();
        if (token == CXmlPullReader::Token::end)
            break;
        if (token != CXmlPullReader::Token::startElement)
            continue;
        const std::string_view name = reader.Name();
        const std::size_t depth = reader.Depth();
        if (depth == 0) {
            ReadDeclarations(reader, rootScope);
            rootIsEnvelope = IsEnvelopeElement(name, "Envelope", {&rootScope});
        } else if (depth == 1) {
            ReadDeclarations(reader, bodyScope);
            inBody = rootIsEnvelope && IsEnvelopeElement(name, "Body", {&bodyScope, &rootScope});
        } else if (depth == 2 && inBody) {
            ReadDeclarations(reader, ownScope);
            if (IsEnvelopeElement(name, "Fault", {&ownScope, &bodyScope, &rootScope}))
                shape.fault = true;
            if (LocalName(name) == responseName)
                shape.response = true;
        }
        if (name == itemName)
            ReadItem(text, stream, itemName, items);
        else
            stream.Watch(name);
    }
    shape.wrongSession = stream.SawWrongSessionId();
    return shape;
}

} // namespace

CSoapReply CSoapTransport::Call(const std::string& method, const std::string& namespaceUri, const std::string& body,
                                std::int32_t timeout)
{
    return CSoapReply(LoadCheckedReply(method, Exchange(method, namespaceUri, body, timeout)));
}

void CSoapTransport::CallForItems(const std::string& method, const std::string& namespaceUri,
                                  const std::string& body, std::int32_t timeout, std::string_view itemName,
                                  IReplyItemReader& items)
{
    CHttpResponse response = Exchange(method, namespaceUri, body, timeout);
    items.Prepare(response.body);
    if (!CXmlPullReader::IsUtf8(response.body)) {
        const std::shared_ptr<const CSoapReader> reader = LoadCheckedReply(method, std::move(response));
        for (const pugi::xml_node& item : ElementsByTagName(reader->Dom(), itemName))
            items.Read(item);
        return;
    }

    const std::string text = std::move(response.body);  // freed when the call returns
    const long status = response.status;
    CReplyShape shape;
    try {
        shape = ScanReply(text, method, itemName, items);
    } catch (const CXmlSyntaxError& error) {
        if (!IsSuccessStatus(status))
            RaiseHttpStatus(status);
        throw CComError(com_codes::kFail, std::string("The server's answer is not XML: ") + error.what());
    }
    if (shape.fault) {
        CSoapReader document;
        document.Load(text);
        throw CSoapErrorText(kSoapFaultText + document.Xml());
    }
    if (!IsSuccessStatus(status))
        RaiseHttpStatus(status);
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
