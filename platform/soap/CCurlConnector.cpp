#include "platform/soap/CCurlConnector.h"

#include "platform/base/ComError.h"

#include <curl/curl.h>

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

// libcurl is C: nothing may be thrown through it. Answering 0 makes it end the
// transfer with CURLE_WRITE_ERROR, which Send reports as a CComError.
std::size_t AppendToString(char* data, std::size_t size, std::size_t count, void* target) noexcept
{
    try {
        static_cast<std::string*>(target)->append(data, size * count);
        return size * count;
    } catch (...) {
        return 0;
    }
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

void CCurlConnector::InitializeLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CHttpResponse CCurlConnector::Send(const std::string& envelope)
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

    CHttpResponse response;
    char errorText[CURL_ERROR_SIZE] = "";
    CURL* curl = handle.get();
    curl_easy_setopt(curl, CURLOPT_URL, m_url.c_str());
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, envelope.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(envelope.size()));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &AppendToString);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response.body);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // worker threads: no SIGALRM for name look-ups
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, m_timeout > 0 ? static_cast<long>(m_timeout) : 0L);

    const CURLcode result = curl_easy_perform(curl);
    if (result != CURLE_OK)
        RaiseCurlError(result, errorText, m_url);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
    return response;
}

} // namespace tarnwel
