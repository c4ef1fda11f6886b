#pragma once
// One SOAP request to the server and its reply. A transport is made for one
// call; every call opens its own connection and loads the whole reply into
// one document before it returns, or, for the replies of many items, reads
// the items as the reply arrives (CallForItems).
//
// Failures come out in two forms:
// - CSoapErrorText for what the protocol itself detects: a reader that cannot
//   be made, a SOAP fault (with the whole reply as XML), an invalid session;
// - CComError for everything else: no connection, time-out, a stalled or
//   stopped exchange, an HTTP error without a SOAP fault, an answer that is
//   not XML, and an answer that is not the reply of the method called (an
//   envelope whose Body holds no "<method>Response" element: a maintenance
//   page, an empty body, another method's reply). Such an answer is never
//   read as a reply that holds nothing.

#include "platform/soap/CSoapReader.h"
#include "platform/soap/SoapConnector.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tarnwel {

class IReplyItemReader;

// A failure text raised by the transport.
class CSoapErrorText {
public:
    explicit CSoapErrorText(std::string text) : m_text(std::move(text)) {}
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

inline constexpr const char* kSoapReaderMissingText = "Soap error!\r\nCould not create reader.\r\n";
inline constexpr const char* kSoapFaultText = "Soap call response fault!\r\n";
inline constexpr const char* kSoapSessionFailureText = "Authentication failure.";

// Holds the reader with the loaded reply; copies share it.
class CSoapReply {
public:
    CSoapReply() = default;
    explicit CSoapReply(std::shared_ptr<const CSoapReader> reader) : m_reader(std::move(reader)) {}

    // The reply document. Raises CComError when the holder holds no reader.
    const pugi::xml_document& Dom() const;

private:
    std::shared_ptr<const CSoapReader> m_reader;
};

class CSoapTransport {
public:
    // `abort`, when given, ends the call under way once it is set (the call
    // then raises CComError); it must outlive the transport.
    explicit CSoapTransport(std::string endpoint, const std::atomic<bool>* abort = nullptr)
        : m_endpoint(std::move(endpoint)), m_abort(abort)
    {
    }
    virtual ~CSoapTransport() = default;

    // Sends `body` inside the element `method` of `namespaceUri` (prefix
    // "replicate") and returns the loaded reply; `timeout` is in milliseconds.
    // Unless the method is "authenticate" or "sign_out" (exactly so), a reply
    // holding a "wrong-session-id" element raises "Authentication failure.".
    CSoapReply Call(const std::string& method, const std::string& namespaceUri, const std::string& body,
                    std::int32_t timeout);

    // As Call, for a reply of many items, which is read as it arrives and
    // never held whole: each element named `itemName`, wherever it stands,
    // goes to `items` in document order. The body is freed once the envelope
    // is made, and the envelope once it is written. It raises what Call raises; since a failure may show only
    // after items were handed over (a fault, a wrong session id, malformed XML
    // further on, a connection lost), the caller keeps what it got aside until
    // the call has returned. What `items` raises passes through. A reply that
    // is not UTF-8, or comes with an HTTP error, is kept whole and read at its
    // end, with the same results. A fault that follows the response element
    // shows the reply without the response element's content, which was
    // dropped as it was read.
    void CallForItems(const std::string& method, const std::string& namespaceUri, std::string body,
                      std::int32_t timeout, std::string_view itemName, IReplyItemReader& items);

private:
    std::unique_ptr<ISoapConnector> MakeConnector(std::int32_t timeout) const;
    CHttpResponse Exchange(const std::string& method, const std::string& namespaceUri, const std::string& body,
                           std::int32_t timeout);

    std::string m_endpoint;
    const std::atomic<bool>* m_abort;
};

// Per-thread set-up of the SOAP layer before a session's first call. The
// HTTP library needs one process-wide initialisation, which this makes sure of.
void InitializeCom();

} // namespace tarnwel
