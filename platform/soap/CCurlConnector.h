#pragma once
// The HTTP connector on libcurl: one POST per Send, with
// "Content-Type: text/xml; charset=utf-8" and an empty "SOAPAction". TLS
// certificates and host names are checked (libcurl's defaults, which this
// connector never loosens); proxies come from the usual environment variables.
//
// Besides the time-out of the whole exchange, an exchange fails when nothing
// moves in either direction for the stall limit (60 seconds): a server that
// takes the connection and never answers cannot hold a run, also when the
// time-out is long or none. The abort flag is read at least once a second.

#include "platform/soap/SoapConnector.h"

#include <chrono>

namespace tarnwel {

class CCurlConnector : public ISoapConnector {
public:
    static constexpr std::chrono::milliseconds kDefaultStallLimit{60000};

    // Prepares libcurl for the process once; safe to call from any thread.
    static void InitializeLibrary();

    // The stall limit of the exchanges that start from now on; returns the
    // previous one (tests shorten it). A limit of 0 or less is taken as the
    // default.
    static std::chrono::milliseconds SetStallLimit(std::chrono::milliseconds limit);
    static std::chrono::milliseconds StallLimit();

    void SetEndpointUrl(const std::string& url) override { m_url = url; }
    void SetTimeout(std::int32_t milliseconds) override { m_timeout = milliseconds; }
    void SetAbortFlag(const std::atomic<bool>* flag) override { m_abort = flag; }
    CHttpResponse Send(const std::string& envelope) override;
    // Hands each piece of the body to the sink as libcurl receives it.
    long Send(const std::string& envelope, IHttpBodySink& sink) override;
    // Hands libcurl the envelope piece by piece and frees it once the last
    // piece is written.
    long SendReleasing(std::string envelope, IHttpBodySink& sink) override;

private:
    // `releasable`: the envelope itself, to be freed once written.
    long Perform(const std::string& envelope, std::string* releasable, IHttpBodySink& sink);

    std::string m_url;
    std::int32_t m_timeout = 0;
    const std::atomic<bool>* m_abort = nullptr;
};

} // namespace tarnwel
