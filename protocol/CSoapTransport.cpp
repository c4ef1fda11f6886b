#include "protocol/CSoapTransport.h"

#include "platform/base/ComError.h"
#include "platform/soap/CCurlConnector.h"
#include "platform/soap/CSoapSerializer.h"
#include "platform/soap/SoapConnector.h"
#include "protocol/XmlSearch.h"

#include <new>

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

CSoapReply CSoapTransport::Call(const std::string& method, const std::string& namespaceUri, const std::string& body,
                                std::int32_t timeout)
{
    std::unique_ptr<ISoapConnector> connector = CreateSoapConnector();
    if (!connector)
        throw CComError(com_codes::kPointer, "The SOAP connector could not be created");
    connector->SetEndpointUrl(m_endpoint);
    connector->SetTimeout(timeout);
    connector->SetAbortFlag(m_abort);
    CHttpResponse response = connector->Send(WriteEnvelope(method, namespaceUri, body));
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

    CSoapReply reply(reader);
    constexpr std::string_view kWrongSession = "wrong-session-id";
    if (!IsSessionExempt(method) && reader->MayHoldElement(kWrongSession) &&
        !ElementsByTagName(reader->Dom(), kWrongSession).empty())
        throw CSoapErrorText(kSoapSessionFailureText);
    return reply;
}

void InitializeCom()
{
    CCurlConnector::InitializeLibrary();
}

} // namespace tarnwel
