#include "platform/soap/CCurlConnector.h"

#include "platform/base/ComError.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>

namespace tarnwel {
namespace {

struct CurlEasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// A stated length above this is not trusted for a reserve; the body then
// grows as it comes.
constexpr std::int64_t kLargestReserve = std::int64_t{1} << 30;

// The most libcurl hands over at once (its default is 16 KB).
constexpr long kReceivePieceBytes = 64L * 1024;

// Keeps the whole body, reserved once from the reply's Content-Length so that
// a large reply is not copied while it grows.
class CWholeBody : public IHttpBodySink {
public:
    explicit CWholeBody(std::string& body) : m_body(body) {}
    void Start(long /*status*/, std::int64_t length) override
    {
        if (length > 0 && length <= kLargestReserve) {
            try {
                m_body.reserve(static_cast<std::size_t>(length));
            } catch (...) {
                // Without the reserve the body still grows as it comes.
            }
        }
    }
    void Append(std::string_view piece) override { m_body.append(piece); }

private:
    std::string& m_body;
};

// Where the body goes: the sink, told the status and the length before the
// first piece. What the sink raises is kept until the transfer has ended.
struct CBodyTarget {
    CURL* curl = nullptr;
    IHttpBodySink* sink = nullptr;
    bool started = false;
    std::exception_ptr failure;
};

// libcurl is C: nothing may be thrown through it. Answering 0 makes it end the
// transfer with CURLE_WRITE_ERROR; Send then raises what the sink raised.
std::size_t HandOnBody(char* data, std::size_t size, std::size_t count, void* target) noexcept
{
    CBodyTarget& body = *static_cast<CBodyTarget*>(target);
    try {
        if (!body.started) {
            body.started = true;
            long status = 0;
            curl_easy_getinfo(body.curl, CURLINFO_RESPONSE_CODE, &status);
            curl_off_t length = -1;
            if (curl_easy_getinfo(body.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK)
                length = -1;
            body.sink->Start(status, static_cast<std::int64_t>(length));
        }
        body.sink->Append(std::string_view(data, size * count));
        return size * count;
    } catch (...) {
        body.failure = std::current_exception();
        return 0;
    }
}

// An envelope that goes out piece by piece and is freed once written whole.
struct CUpload {
    std::string* text = nullptr;
    std::size_t written = 0;
};

// libcurl asks for the next piece of the request; 0 ends it. The request is
// never sent again (no redirects are followed, no connection is reused), so
// its bytes can go once they are written.
std::size_t ReadUpload(char* buffer, std::size_t size, std::size_t count, void* data) noexcept
{
    CUpload& upload = *static_cast<CUpload*>(data);
    std::string& text = *upload.text;
    const std::size_t piece = std::min(size * count, text.size() - upload.written);
    std::memcpy(buffer, text.data() + upload.written, piece);
    upload.written += piece;
    if (upload.written == text.size()) {
        std::string().swap(text);
        upload.written = 0;
    }
    return piece;
}

std::atomic<std::int64_t> g_stallLimitMs{CCurlConnector::kDefaultStallLimit.count()};

// What the progress callback watches: the abort flag, and when bytes last
// moved in either direction.
struct CTransferWatch {
    using Clock = std::chrono::steady_clock;

    const std::atomic<bool>* abort = nullptr;
    std::chrono::milliseconds stallLimit{0};
    Clock::time_point lastActivity = Clock::now();
    curl_off_t received = 0;
    curl_off_t sent = 0;
    bool stalled = false;
    bool aborted = false;
};

// libcurl calls this often while data moves and about once a second while
// nothing does; answering non-zero ends the transfer with
// CURLE_ABORTED_BY_CALLBACK.
int WatchTransfer(void* data, curl_off_t /*downloadTotal*/, curl_off_t received, curl_off_t /*uploadTotal*/,
                  curl_off_t sent) noexcept
{
    CTransferWatch& watch = *static_cast<CTransferWatch*>(data);
    if (watch.abort != nullptr && watch.abort->load()) {
        watch.aborted = true;
        return 1;
    }
    const CTransferWatch::Clock::time_point now = CTransferWatch::Clock::now();
    if (received != watch.received || sent != watch.sent) {
        watch.received = received;
        watch.sent = sent;
        watch.lastActivity = now;
        return 0;
    }
    if (now - watch.lastActivity >= watch.stallLimit) {
        watch.stalled = true;
        return 1;
    }
    return 0;
}

[[noreturn]] void RaiseCurlError(CURLcode code, const char* detail, const std::string& url)
{
    const std::int32_t status = code == CURLE_OPERATION_TIMEDOUT ? com_codes::kTimeout : com_codes::kFail;
    std::string description = "HTTP request to " + url + " failed: " + curl_easy_strerror(code);
    if (detail != nullptr && *detail != '\0')
        description += std::string(" (") + detail + ")";
    throw CComError(status, std::move(description));
}

} // namespace

std::chrono::milliseconds CCurlConnector::SetStallLimit(std::chrono::milliseconds limit)
{
    if (limit.count() <= 0)
        limit = kDefaultStallLimit;
    return std::chrono::milliseconds(g_stallLimitMs.exchange(limit.count()));
}

std::chrono::milliseconds CCurlConnector::StallLimit()
{
    return std::chrono::milliseconds(g_stallLimitMs.load());
}

void CCurlConnector::InitializeLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CHttpResponse CCurlConnector::Send(const std::string& envelope)
{
    CHttpResponse response;
    CWholeBody body(response.body);
    response.status = CCurlConnector::Send(envelope, body);
    return response;
}

long CCurlConnector::Send(const std::string& envelope, IHttpBodySink& sink)
{
    return Perform(envelope, nullptr, sink);
}

long CCurlConnector::SendReleasing(std::string envelope, IHttpBodySink& sink)
{
    return Perform(envelope, &envelope, sink);
}

long CCurlConnector::Perform(const std::string& envelope, std::string* releasable, IHttpBodySink& sink)
{
    InitializeLibrary();
    std::unique_ptr<CURL, CurlEasyDeleter> handle(curl_easy_init());
    if (!handle)
        throw CComError(com_codes::kOutOfMemory, "HTTP connector could not be created");

    std::unique_ptr<curl_slist, CurlListDeleter> headers;
    for (const char* header : {"Content-Type: text/xml; charset=utf-8", "SOAPAction: \"\"",
                               "Expect:" /* no 100-continue round trip for large bodies */}) {
        curl_slist* extended = curl_slist_append(headers.get(), header);
        if (extended == nullptr)
            throw CComError(com_codes::kOutOfMemory, "HTTP connector could not be created");
        headers.release();
        headers.reset(extended);
    }

    char errorText[CURL_ERROR_SIZE] = "";
    CURL* curl = handle.get();
    curl_easy_setopt(curl, CURLOPT_URL, m_url.c_str());
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(envelope.size()));
    CUpload upload{releasable, 0};
    if (releasable != nullptr) {
        curl_easy_setopt(curl, CURLOPT_READFUNCTION, &ReadUpload);
        curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    } else {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, envelope.data());
    }
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    CBodyTarget body{curl, &sink, false, nullptr};
    // Larger pieces of a long reply: fewer reads of the socket and fewer
    // hand-overs to the sink.
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kReceivePieceBytes);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &HandOnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // worker threads: no SIGALRM for name look-ups
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, m_timeout > 0 ? static_cast<long>(m_timeout) : 0L);

    CTransferWatch watch;
    watch.abort = m_abort;
    watch.stallLimit = StallLimit();
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(watch.stallLimit.count()));
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &WatchTransfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &watch);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);

    const CURLcode result = curl_easy_perform(curl);
    if (body.failure)
        std::rethrow_exception(body.failure);
    if (result == CURLE_ABORTED_BY_CALLBACK && watch.aborted)
        throw CComError(com_codes::kAbort, "HTTP request to " + m_url + " was stopped");
    if (result == CURLE_ABORTED_BY_CALLBACK && watch.stalled)
        throw CComError(com_codes::kTimeout, "HTTP request to " + m_url + " failed: the server sent nothing for " +
                                                 std::to_string(watch.stallLimit.count()) + " ms");
    if (result != CURLE_OK)
        RaiseCurlError(result, errorText, m_url);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

} // namespace tarnwel
