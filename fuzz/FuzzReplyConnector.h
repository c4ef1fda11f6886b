#pragma once
// A connector that answers every request with the fuzzer's input as the reply
// body (HTTP status 200), so that a server call reads it as the server's reply.
// A call that takes the body as it arrives gets it in pieces of 1 to 64
// bytes, their sizes drawn from the input itself.

#include "platform/soap/SoapConnector.h"

#include <cstdint>
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
    long Send(const std::string&, IHttpBodySink& sink) override
    {
        if (m_reply.empty())
            return 200;
        sink.Start(200, static_cast<std::int64_t>(m_reply.size()));
        std::uint32_t state = 2166136261u;
        for (const char c : m_reply)
            state = (state ^ static_cast<unsigned char>(c)) * 16777619u;
        for (std::size_t at = 0; at < m_reply.size();) {
            state = state * 1103515245u + 12345u;
            const std::size_t piece = 1 + (state >> 16) % 64;
            sink.Append(m_reply.substr(at, piece));
            at += piece;
        }
        return 200;
    }

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
