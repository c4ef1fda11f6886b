#pragma once
// A connector that answers every request with the fuzzer's input as the reply
// body (HTTP status 200), so that a server call reads it as the server's reply.

#include "platform/soap/SoapConnector.h"

#include <memory>
#include <string>
#include <string_view>

namespace tarnwel::fuzz {

class CReplyConnector : public ISoapConnector {
public:
    explicit CReplyConnector(std::string_view reply) : m_reply(reply) {}
    void SetEndpointUrl(const std::string&) override {}
    void SetTimeout(std::int32_t) override {}
    CHttpResponse Send(const std::string&) override { return {200, std::string(m_reply)}; }

private:
    std::string_view m_reply;
};

// Puts the connector in place for as long as the object lives.
class CScopedReply {
public:
    explicit CScopedReply(std::string_view reply)
        : m_scope([reply] { return std::make_unique<CReplyConnector>(reply); })
    {
    }

private:
    CScopedSoapConnectorFactory m_scope;
};

} // namespace tarnwel::fuzz
