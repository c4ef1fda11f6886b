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
};

class CFakeSoapServer {
public:
    CFakeSoapServer()
        : scope_([this] { return std::make_unique<Connector>(*this); })
    {
    }

    // The next call gets this reply document wrapped in a SOAP envelope.
    void AnswerWith(const std::string& bodyContent, long status = 200)
    {
        answers_.push_back({status, Envelope(bodyContent), std::nullopt});
    }
    void AnswerRaw(const std::string& text, long status = 200) { answers_.push_back({status, text, std::nullopt}); }
    void FailWith(CComError failure) { answers_.push_back({0, "", std::move(failure)}); }

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

    const std::vector<CSentRequest>& Requests() const { return requests_; }

private:
    class Connector : public ISoapConnector {
    public:
        explicit Connector(CFakeSoapServer& server) : server_(server) {}
        void SetEndpointUrl(const std::string& url) override { request_.url = url; }
        void SetTimeout(std::int32_t milliseconds) override { request_.timeout = milliseconds; }
        CHttpResponse Send(const std::string& envelope) override
        {
            request_.envelope = envelope;
            server_.requests_.push_back(request_);
            if (server_.answers_.empty())
                throw CComError(com_codes::kFail, "no scripted answer");
            CScriptedAnswer answer = std::move(server_.answers_.front());
            server_.answers_.pop_front();
            if (answer.failure)
                throw *answer.failure;
            return {answer.status, std::move(answer.body)};
        }

    private:
        CFakeSoapServer& server_;
        CSentRequest request_;
    };

    std::deque<CScriptedAnswer> answers_;
    std::vector<CSentRequest> requests_;
    CScopedSoapConnectorFactory scope_;
};

} // namespace tarnwel::test
