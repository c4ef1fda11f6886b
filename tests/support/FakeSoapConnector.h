#pragma once
// A connector that answers from a script instead of the network, so that a
// test can feed the transport and the server calls any reply or failure and
// see exactly what was sent.

#include "platform/base/ComError.h"
#include "platform/soap/SoapConnector.h"

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarnwel::test {

struct CSentRequest {
    std::string url;
    std::int32_t timeout = 0;
    std::string envelope;
};

// One scripted answer: an HTTP reply, or a failure raised by Send.
struct CScriptedAnswer {
    long status = 200;
    std::string body;
    std::optional<CComError> failure;
    bool inResponse = false;  // wrap `body` in the called method's response element
};

class CFakeSoapServer {
public:
    CFakeSoapServer()
        : m_scope([this] { return std::make_unique<Connector>(*this); })
    {
    }

    // The next call gets a proper reply of the method it calls: this content
    // inside the "<method>Response" element of a SOAP envelope.
    void AnswerWith(const std::string& responseContent, long status = 200)
    {
        m_answers.push_back({status, responseContent, std::nullopt, true});
    }
    // The next call gets this SOAP fault.
    void AnswerFault(const std::string& text, long status = 500)
    {
        m_answers.push_back({status, Envelope(Fault(text)), std::nullopt});
    }
    void AnswerRaw(const std::string& text, long status = 200) { m_answers.push_back({status, text, std::nullopt}); }
    void FailWith(CComError failure) { m_answers.push_back({0, "", std::move(failure)}); }

    static std::string Envelope(const std::string& bodyContent)
    {
        return "<?xml version=\"1.0\"?><SOAP-ENV:Envelope "
               "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body>" +
               bodyContent + "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
    }
    static std::string Fault(const std::string& text)
    {
        return "<SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode><faultstring>" + text +
               "</faultstring></SOAP-ENV:Fault>";
    }

    // The envelope of a reply of `method` (its name without prefix) that
    // holds `content` in its response element.
    static std::string Response(const std::string& method, const std::string& content)
    {
        return Envelope("<ns:" + method + "Response xmlns:ns=\"urn:test\">" + content + "</ns:" + method +
                        "Response>");
    }

    const std::vector<CSentRequest>& Requests() const { return m_requests; }

private:
    class Connector : public ISoapConnector {
    public:
        explicit Connector(CFakeSoapServer& server) : m_server(server) {}
        void SetEndpointUrl(const std::string& url) override { m_request.url = url; }
        void SetTimeout(std::int32_t milliseconds) override { m_request.timeout = milliseconds; }
        CHttpResponse Send(const std::string& envelope) override
        {
            m_request.envelope = envelope;
            m_server.m_requests.push_back(m_request);
            if (m_server.m_answers.empty())
                throw CComError(com_codes::kFail, "no scripted answer");
            CScriptedAnswer answer = std::move(m_server.m_answers.front());
            m_server.m_answers.pop_front();
            if (answer.failure)
                throw *answer.failure;
            if (answer.inResponse)
                answer.body = Response(MethodOf(envelope), answer.body);
            return {answer.status, std::move(answer.body)};
        }

    private:
        // The local name of the method element that opens the request's Body.
        static std::string MethodOf(const std::string& envelope)
        {
            const std::string bodyTag = "Body>";
            std::size_t at = envelope.find(bodyTag);
            at = at == std::string::npos ? 0 : envelope.find('<', at) + 1;
            const std::size_t end = envelope.find_first_of(" />", at);
            std::string name = envelope.substr(at, end - at);
            const std::size_t colon = name.find(':');
            return colon == std::string::npos ? name : name.substr(colon + 1);
        }

        CFakeSoapServer& m_server;
        CSentRequest m_request;
    };

    std::deque<CScriptedAnswer> m_answers;
    std::vector<CSentRequest> m_requests;
    CScopedSoapConnectorFactory m_scope;
};

} // namespace tarnwel::test
