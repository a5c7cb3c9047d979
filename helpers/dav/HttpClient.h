// The helpers' side of HTTP, over libcurl: one connection reused for every request of a run, basic
// authentication, the system's certificates, and a time-out on every request.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

struct HttpSettings
{
    std::string user;
    std::string password;
    // A certificate file (PEM) that signs the server's, for a server with a certificate of its own;
    // empty: the system's certificates only.
    std::string caFile;
    // Only ever false when the user wrote so into accounts.ini for this account.
    bool verifyCertificate = true;
    // How long a connection may take to open, and a request may go without a byte moving either way;
    // a whole request may take ten times as long, as a batch of cards with photos can on a slow line.
    long timeoutSeconds = 60;
    // A larger answer is no answer a CardDAV or CalDAV server gives to one request of ours.
    size_t maxResponseBytes = size_t(512) << 20;
};

// Why a request brought no HTTP answer.
enum class HttpFault {
    None,        // the server answered (with any status)
    Unreachable, // no connection: name not found, refused, no route
    TimedOut,
    Certificate, // the server's certificate did not verify
    TooLarge,    // the answer passed maxResponseBytes
    Other,
};

struct HttpResponse
{
    HttpFault fault = HttpFault::None;
    std::string faultText; // libcurl's own words for the fault
    long status = 0;
    std::string body;
    std::string etag;            // the ETag header, as sent (quotes included)
    std::string location;        // the Location header of a redirect
    std::string authenticate;    // the WWW-Authenticate challenges, one per line
    long retryAfterSeconds = -1; // Retry-After in seconds; -1 when none was given in seconds
};

class HttpClient
{
public:
    explicit HttpClient(HttpSettings settings);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // One request; headers are whole lines ("Depth: 1"). A redirect comes back as it is (its status
    // and location), for the caller to follow or not. The password goes as Basic authentication until a server's
    // challenge asks for Digest only, then as Digest for the rest of the run. A server that answers 429 or 503 is asked
    // again up to three times, after the wait it names (at most 30 seconds) or one, two and four seconds.
    HttpResponse Request(const std::string& method, const std::string& url, const std::vector<std::string>& headers,
                         const std::string& body = {});

    const HttpSettings& Settings() const { return m_settings; }

private:
    HttpResponse Perform(const std::string& method, const std::string& url, const std::vector<std::string>& headers,
                         const std::string& body);

    struct Handle;
    HttpSettings m_settings;
    std::unique_ptr<Handle> m_handle;
    bool m_digest = false;
};

// The message for a request that brought no answer, naming where it went.
std::string HttpFaultText(const HttpResponse& response, const std::string& origin);
