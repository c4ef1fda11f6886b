#pragma once
// The HTTP connector on libcurl: one POST per Send, with
// "Content-Type: text/xml; charset=utf-8" and an empty "SOAPAction". TLS
// certificates and host names are checked (libcurl's defaults, which this
// connector never loosens); proxies come from the usual environment variables.

#include "platform/soap/SoapConnector.h"

namespace tarnwel {

class CCurlConnector : public ISoapConnector {
public:
    // Prepares libcurl for the process once; safe to call from any thread.
    static void InitializeLibrary();

    void SetEndpointUrl(const std::string& url) override { m_url = url; }
    void SetTimeout(std::int32_t milliseconds) override { m_timeout = milliseconds; }
    CHttpResponse Send(const std::string& envelope) override;

private:
    std::string m_url;
    std::int32_t m_timeout = 0;
};

} // namespace tarnwel
