#pragma once
// The connector carries one SOAP request to the endpoint and brings back the
// server's answer. The client makes one connector per call and never reuses a
// connection. Tests put a fake connector behind the factory to feed the
// transport any answer or failure.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tarnwel {

struct CHttpResponse {
    long status = 0;   // the HTTP status code
    std::string body;  // the whole body, as received
};

// Where a body goes as it arrives: Start once, before its first piece (not at
// all for an empty body), then each piece in order. What the sink raises ends
// the exchange and comes out of Send.
class IHttpBodySink {
public:
    virtual ~IHttpBodySink() = default;
    // The HTTP status, and the body's stated length (-1 when none was stated).
    virtual void Start(long status, std::int64_t length) = 0;
    virtual void Append(std::string_view piece) = 0;
};

class ISoapConnector {
public:
    virtual ~ISoapConnector() = default;

    // The address is used exactly as given: no path or port is added.
    virtual void SetEndpointUrl(const std::string& url) = 0;
    // The time the whole exchange may take, in milliseconds; 0 or less sets no
    // limit of its own. Either way an exchange in which the server sends
    // nothing for a while (the connector's stall limit) fails.
    virtual void SetTimeout(std::int32_t milliseconds) = 0;
    // A flag that, once set (from any thread), ends the exchange under way
    // within about a second; Send then raises CComError. Null: nothing but
    // the time limits ends it. The flag must outlive the connector.
    virtual void SetAbortFlag(const std::atomic<bool>* /*flag*/) {}
    // Posts the envelope and returns the answer, whatever its status. A request
    // that gets no answer (no connection, time-out, a stalled or stopped
    // exchange, a connection dropped before the answer was complete) raises
    // CComError.
    virtual CHttpResponse Send(const std::string& envelope) = 0;
    // As Send, handing the body to `sink` instead of keeping it; returns the
    // status. This default hands the whole body over at once.
    virtual long Send(const std::string& envelope, IHttpBodySink& sink);
    // As Send with a sink, for an envelope the connector may free as soon as
    // it is written, so that a large request is not held while its reply
    // arrives. This default holds it until the exchange has ended.
    virtual long SendReleasing(std::string envelope, IHttpBodySink& sink) { return Send(envelope, sink); }
};

using SoapConnectorFactory = std::function<std::unique_ptr<ISoapConnector>()>;

// A new connector from the factory in force: libcurl's unless a test put
// another one in place.
std::unique_ptr<ISoapConnector> CreateSoapConnector();

// Replaces the factory for as long as the object lives (tests only; not for use
// while calls are running on other threads).
class CScopedSoapConnectorFactory {
public:
    explicit CScopedSoapConnectorFactory(SoapConnectorFactory factory);
    ~CScopedSoapConnectorFactory();
    CScopedSoapConnectorFactory(const CScopedSoapConnectorFactory&) = delete;
    CScopedSoapConnectorFactory& operator=(const CScopedSoapConnectorFactory&) = delete;

private:
    SoapConnectorFactory m_previous;
};

} // namespace tarnwel
