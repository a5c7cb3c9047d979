#include "helpers/dav/DavUrl.h"

#include <curl/curl.h>

#include <cctype>
#include <memory>

namespace {

struct UrlFree
{
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using Url = std::unique_ptr<CURLU, UrlFree>;

std::string Part(CURLU* url, CURLUPart part, unsigned flags = 0)
{
    char* text = nullptr;
    if (curl_url_get(url, part, &text, flags) != CURLUE_OK || !text)
        return {};
    std::string value(text);
    curl_free(text);
    return value;
}

Url Parsed(const std::string& url)
{
    Url parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
        return nullptr;
    const std::string scheme = Part(parsed.get(), CURLUPART_SCHEME);
    if (scheme != "http" && scheme != "https")
        return nullptr;
    return parsed;
}

} // namespace

std::string UrlOrigin(const std::string& url)
{
    const Url parsed = Parsed(url);
    if (!parsed)
        return {};
    std::string origin = Part(parsed.get(), CURLUPART_SCHEME) + "://" + Part(parsed.get(), CURLUPART_HOST);
    // :443 and :80 written out name the same server as none.
    const std::string port = Part(parsed.get(), CURLUPART_PORT, CURLU_NO_DEFAULT_PORT);
    if (!port.empty())
        origin += ":" + port;
    return origin;
}

std::string UrlHost(const std::string& url)
{
    const Url parsed = Parsed(url);
    return parsed ? Part(parsed.get(), CURLUPART_HOST) : std::string();
}

std::string UrlPath(const std::string& url)
{
    const Url parsed = Parsed(url);
    if (!parsed)
        return {};
    const std::string path = Part(parsed.get(), CURLUPART_PATH);
    return path.empty() ? "/" : path;
}

namespace {

// href against base, whatever its origin; empty when it cannot be made absolute http or https.
std::string Resolved(const std::string& base, const std::string& href)
{
    const Url parsed = Parsed(base);
    if (!parsed || href.empty())
        return {};
    // Setting a relative address on a parsed one resolves it against it, dot segments and all.
    if (curl_url_set(parsed.get(), CURLUPART_URL, href.c_str(), 0) != CURLUE_OK)
        return {};
    curl_url_set(parsed.get(), CURLUPART_FRAGMENT, nullptr, 0);
    const std::string resolved = Part(parsed.get(), CURLUPART_URL, CURLU_NO_DEFAULT_PORT);
    return UrlOrigin(resolved).empty() ? std::string() : resolved;
}

} // namespace

std::string NormalisedUrl(const std::string& url)
{
    const std::string normalised = Resolved(url, url);
    return normalised.empty() ? url : normalised;
}

std::string ResolveHref(const std::string& base, const std::string& href)
{
    const std::string resolved = Resolved(base, href);
    return UrlOrigin(resolved) == UrlOrigin(base) ? resolved : std::string();
}

std::string ResolveDiscoveryHref(const std::string& base, const std::string& href)
{
    const std::string resolved = Resolved(base, href);
    if (resolved.empty() || UrlOrigin(resolved) == UrlOrigin(base) || resolved.rfind("https://", 0) == 0 ||
        IsLoopbackHost(UrlHost(resolved)))
        return resolved;
    return {};
}

bool IsLoopbackHost(const std::string& host)
{
    std::string lower = host;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // 127.0.0.1 and the rest of 127/8, written as an address: a name like 127.example.com is not it.
    return lower == "localhost" || lower == "[::1]" ||
           (lower.rfind("127.", 0) == 0 && lower.find_first_not_of("0123456789.") == std::string::npos);
}

bool IsItemOf(const std::string& url, const std::string& collection)
{
    return !collection.empty() && collection.back() == '/' && url.size() > collection.size() &&
           url.compare(0, collection.size(), collection) == 0 && url.find('/', collection.size()) == std::string::npos;
}

std::string AsCollectionUrl(const std::string& url)
{
    return !url.empty() && url.back() == '/' ? url : url + "/";
}

std::string EscapeItemPath(std::string_view path)
{
    std::string text;
    text.reserve(path.size() + 16);
    for (const char c : path) {
        if (c == '/')
            text += "%2F";
        else if (c == '%')
            text += "%25";
        else if (c == '\\')
            text += "%5C";
        else
            text += c;
    }
    return text;
}

bool UnescapeItemPath(std::string_view text, std::string& path)
{
    path.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '/' || c == '\\')
            return false;
        if (c != '%') {
            path += c;
            continue;
        }
        const std::string_view code = text.substr(i + 1, 2);
        if (code == "2F")
            path += '/';
        else if (code == "25")
            path += '%';
        else if (code == "5C")
            path += '\\';
        else
            return false;
        i += 2;
    }
    return true;
}
