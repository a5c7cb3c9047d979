#include "helpers/dav/HttpClient.h"

#include "helpers/base/HelperText.h"

#include <curl/curl.h>

#include <cctype>
#include <chrono>
#include <mutex>
#include <thread>

namespace {

void InitialiseCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer
{
    HttpResponse* response;
    size_t limit;
    bool tooLarge = false;
    // The stall watch: when the bytes moved last changed.
    std::chrono::steady_clock::duration stallLimit{};
    std::chrono::steady_clock::time_point lastMove = std::chrono::steady_clock::now();
    curl_off_t lastBytes = -1;
    bool stalled = false;
};

// libcurl's own low-speed check counts a request whose body has gone out as moving for seconds more,
// so a silent server took five to seven times the account's time-out to be given up; this watch ends
// the transfer once no byte has moved either way for the time-out itself.
int WatchForStall(void* user, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded)
{
    auto* transfer = static_cast<Transfer*>(user);
    const auto now = std::chrono::steady_clock::now();
    if (downloaded + uploaded != transfer->lastBytes) {
        transfer->lastBytes = downloaded + uploaded;
        transfer->lastMove = now;
        return 0;
    }
    if (now - transfer->lastMove < transfer->stallLimit)
        return 0;
    transfer->stalled = true;
    return 1;
}

size_t TakeBody(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (transfer->response->body.size() + bytes > transfer->limit) {
        transfer->tooLarge = true;
        return 0; // ends the transfer with CURLE_WRITE_ERROR
    }
    transfer->response->body.append(data, bytes);
    return bytes;
}

std::string Trimmed(std::string text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start])))
        ++start;
    return text.substr(start);
}

// Retry-After in seconds; an HTTP date, or anything else, is taken as no word on when.
long RetryAfterSeconds(const std::string& value)
{
    if (value.empty() || value.size() > 6 || value.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stol(value);
}

// Headers of the last answer only: a challenge's or an interim answer's are not the final one's.
size_t TakeHeader(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const std::string line(data, size * count);
    if (line.rfind("HTTP/", 0) == 0) {
        transfer->response->etag.clear();
        transfer->response->authenticate.clear();
        transfer->response->location.clear();
        transfer->response->retryAfterSeconds = -1;
        return size * count;
    }
    const size_t colon = line.find(':');
    if (colon == std::string::npos)
        return size * count;
    std::string name = line.substr(0, colon);
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name == "etag")
        transfer->response->etag = Trimmed(line.substr(colon + 1));
    else if (name == "location")
        transfer->response->location = Trimmed(line.substr(colon + 1));
    else if (name == "www-authenticate")
        transfer->response->authenticate += Trimmed(line.substr(colon + 1)) + "\n";
    else if (name == "retry-after")
        transfer->response->retryAfterSeconds = RetryAfterSeconds(Trimmed(line.substr(colon + 1)));
    return size * count;
}

HttpFault FaultOf(CURLcode code)
{
    switch (code) {
    case CURLE_OK:
        return HttpFault::None;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
        return HttpFault::Unreachable;
    case CURLE_OPERATION_TIMEDOUT:
        return HttpFault::TimedOut;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
        return HttpFault::Certificate;
    default:
        return HttpFault::Other;
    }
}

class HeaderList
{
public:
    explicit HeaderList(const std::vector<std::string>& headers)
    {
        for (const std::string& header : headers)
            m_list = curl_slist_append(m_list, header.c_str());
    }
    ~HeaderList() { curl_slist_free_all(m_list); }
    HeaderList(const HeaderList&) = delete;
    HeaderList& operator=(const HeaderList&) = delete;
    curl_slist* Get() const { return m_list; }

private:
    curl_slist* m_list = nullptr;
};

} // namespace

struct HttpClient::Handle
{
    CURL* curl = nullptr;
    ~Handle()
    {
        if (curl)
            curl_easy_cleanup(curl);
    }
};

HttpClient::HttpClient(HttpSettings settings)
    : m_settings(std::move(settings))
    , m_handle(std::make_unique<Handle>())
{
    InitialiseCurl();
    m_handle->curl = curl_easy_init();
}

HttpClient::~HttpClient() = default;

namespace {

void SetCommonOptions(CURL* curl, const HttpSettings& settings)
{
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(curl, CURLOPT_USERNAME, settings.user.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, settings.password.c_str());
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, settings.timeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, settings.timeoutSeconds * 10);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, settings.verifyCertificate ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, settings.verifyCertificate ? 2L : 0L);
    if (!settings.caFile.empty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, settings.caFile.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Qosweep");
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, ""); // whatever libcurl can decode
}

// Redirects are never followed by libcurl: it would send the request on without the password, and a
// server that moved its DAV root elsewhere would read as a wrong password. DavClient follows those of
// discovery itself, where it can tell where the password may go.
void SetRedirects(CURL* curl)
{
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
}

// What the transfer's watches and libcurl's code say of a request that brought no answer; false when
// it brought one.
bool NoAnswer(const Transfer& transfer, CURLcode code, const char* errorText, long timeoutSeconds, size_t limit,
              HttpResponse& response)
{
    if (transfer.tooLarge) {
        response.fault = HttpFault::TooLarge;
        response.faultText = Format("the answer is larger than %zu bytes", limit);
    } else if (transfer.stalled) {
        response.fault = HttpFault::TimedOut;
        response.faultText = Format("nothing came for %ld seconds", timeoutSeconds);
    } else {
        response.fault = FaultOf(code);
        response.faultText = errorText[0] ? errorText : curl_easy_strerror(code);
    }
    if (response.fault == HttpFault::None)
        return false;
    response.body.clear();
    return true;
}

// A server under load says so with 429 or 503 and often when to come back; past half a minute is no
// wait a person sits through behind a progress window.
constexpr int kMaxRetries = 3;
constexpr long kMaxRetryWaitSeconds = 30;

bool Overloaded(const HttpResponse& response)
{
    return response.fault == HttpFault::None && (response.status == 429 || response.status == 503) &&
           response.retryAfterSeconds <= kMaxRetryWaitSeconds;
}

// A server that takes only Digest says so in its challenge; one that takes Basic is answered as it is.
bool WantsDigestOnly(const HttpResponse& response)
{
    std::string offer = response.authenticate;
    for (char& c : offer)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return response.fault == HttpFault::None && response.status == 401 && offer.find("digest") != std::string::npos &&
           offer.find("basic") == std::string::npos;
}

} // namespace

HttpResponse HttpClient::Request(const std::string& method, const std::string& url,
                                 const std::vector<std::string>& headers, const std::string& body)
{
    HttpResponse response = Perform(method, url, headers, body);
    if (WantsDigestOnly(response) && !m_digest) {
        m_digest = true;
        response = Perform(method, url, headers, body);
    }
    for (int retry = 0; retry < kMaxRetries && Overloaded(response); ++retry) {
        const long wait = response.retryAfterSeconds >= 0 ? response.retryAfterSeconds : 1L << retry;
        std::this_thread::sleep_for(std::chrono::seconds(wait));
        response = Perform(method, url, headers, body);
    }
    return response;
}

HttpResponse HttpClient::Perform(const std::string& method, const std::string& url,
                                 const std::vector<std::string>& headers, const std::string& body)
{
    HttpResponse response;
    CURL* curl = m_handle->curl;
    if (!curl) {
        response.fault = HttpFault::Other;
        response.faultText = "libcurl could not be started";
        return response;
    }
    curl_easy_reset(curl);
    SetCommonOptions(curl, m_settings);
    if (m_digest)
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_DIGEST));
    SetRedirects(curl);
    char errorText[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
    if (method == "GET")
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    else if (!body.empty() || method == "PROPFIND" || method == "REPORT" || method == "PUT") {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    }
    std::vector<std::string> lines = headers;
    // A body over a megabyte would otherwise wait a second for a "100 Continue" few servers send.
    lines.push_back("Expect:");
    HeaderList list(lines);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list.Get());
    Transfer transfer{&response, m_settings.maxResponseBytes};
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, TakeBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, TakeHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
    transfer.stallLimit = std::chrono::seconds(m_settings.timeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, WatchForStall);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    const CURLcode code = curl_easy_perform(curl);
    if (NoAnswer(transfer, code, errorText, m_settings.timeoutSeconds, m_settings.maxResponseBytes, response))
        return response;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
    return response;
}

std::string HttpFaultText(const HttpResponse& response, const std::string& origin)
{
    switch (response.fault) {
    case HttpFault::None:
        return Format("%s answered with HTTP %ld", origin.c_str(), response.status);
    case HttpFault::Unreachable:
        return Format("Cannot reach the server %s: %s", origin.c_str(), response.faultText.c_str());
    case HttpFault::TimedOut:
        return Format("The server %s did not answer in time: %s", origin.c_str(), response.faultText.c_str());
    case HttpFault::Certificate:
        return Format("The certificate of %s could not be verified (%s); if the server uses a certificate of its "
                      "own, name its file with CaFile= in accounts.ini",
                      origin.c_str(), response.faultText.c_str());
    case HttpFault::TooLarge:
        return Format("The server %s sent too much: %s", origin.c_str(), response.faultText.c_str());
    case HttpFault::Other:
        break;
    }
    return Format("The request to %s failed: %s", origin.c_str(), response.faultText.c_str());
}
