// WebDAV answers as a server sends them, through the multistatus reader, and what the helpers make
// of each href: whatever the bytes, the reader either refuses them or gives resources whose hrefs
// resolve only on the server's own origin, and whose paths survive a record's helper text.
#include "fuzz/FuzzSupport.h"
#include "helpers/dav/DavUrl.h"
#include "helpers/dav/DavXml.h"

#include <cctype>
#include <string>
#include <vector>

namespace {

constexpr const char* kBase = "https://dav.example.com/dav/me/";

bool Trimmed(const std::string& text)
{
    return text.empty() || (!std::isspace(static_cast<unsigned char>(text.front())) &&
                            !std::isspace(static_cast<unsigned char>(text.back())));
}

void CheckResource(const DavResource& resource)
{
    FUZZ_CHECK(Trimmed(resource.href) && Trimmed(resource.etag) && Trimmed(resource.displayName));
    for (const std::string& component : resource.components)
        for (const char c : component)
            FUZZ_CHECK(!(c >= 'a' && c <= 'z'));
    FUZZ_CHECK(resource.components.empty() || resource.componentsKnown);
    // Discovery may go to another host, but only where the password travels encrypted.
    const std::string led = ResolveDiscoveryHref(kBase, resource.href);
    FUZZ_CHECK(led.empty() || led.rfind("https://", 0) == 0);
    const std::string url = ResolveHref(kBase, resource.href);
    if (url.empty())
        return;
    // The password goes with every request: an href never leads to another server.
    FUZZ_CHECK(UrlOrigin(url) == "https://dav.example.com");
    const std::string path = UrlPath(url);
    FUZZ_CHECK(!path.empty() && path.front() == '/');
    const std::string text = EscapeItemPath(path);
    FUZZ_CHECK(text.find('/') == std::string::npos && text.find('\\') == std::string::npos);
    std::string back;
    FUZZ_CHECK(UnescapeItemPath(text, back) && back == path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string body(reinterpret_cast<const char*>(data), size);
    std::vector<DavResource> resources;
    std::string fault;
    if (!ParseMultistatus(body, resources, fault)) {
        FUZZ_CHECK(resources.empty() && !fault.empty());
        return 0;
    }
    for (const DavResource& resource : resources)
        CheckResource(resource);
    return 0;
}
