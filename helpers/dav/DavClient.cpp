#include "helpers/dav/DavClient.h"

#include "helpers/base/HelperText.h"
#include "helpers/dav/DavUrl.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace {

const char* ServerWord(DavKind kind)
{
    return kind == DavKind::Contacts ? "CardDAV" : "CalDAV";
}

const char* WellKnown(DavKind kind)
{
    return kind == DavKind::Contacts ? "/.well-known/carddav" : "/.well-known/caldav";
}

const std::vector<std::string>& HomesOf(DavKind kind, const DavResource& resource)
{
    return kind == DavKind::Contacts ? resource.addressBookHomes : resource.calendarHomes;
}

// Paths compared as the resources they name: servers differ in which bytes they percent-encode.
std::string Decoded(const std::string& path)
{
    std::string text;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '%' && i + 2 < path.size() && std::isxdigit(static_cast<unsigned char>(path[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(path[i + 2]))) {
            text += static_cast<char>(std::stoi(path.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            text += path[i];
        }
    }
    return text;
}

bool SamePath(const std::string& a, const std::string& b)
{
    return Decoded(AsCollectionUrl(a)) == Decoded(AsCollectionUrl(b));
}

DavCollection CollectionOf(const std::string& url, const DavResource& resource)
{
    DavCollection collection;
    collection.url = AsCollectionUrl(url);
    collection.displayName = resource.displayName;
    collection.color = resource.color;
    return collection;
}

// A path of the user's own choosing (or the principal it led to) that the server will not let us
// read is a fault to tell, not a reason to go and look elsewhere: the user asked for that collection.
// The server's bare address may refuse a PROPFIND and still have /.well-known/ lead on.
bool RefusesReading(const HttpResponse& response, const std::string& url)
{
    return (response.status == 403 || response.status >= 500) && UrlPath(url) != "/";
}

bool IsCollectionOf(DavKind kind, const DavResource& resource)
{
    if (kind == DavKind::Contacts)
        return resource.addressBook;
    if (!resource.calendar)
        return false;
    return !resource.componentsKnown ||
           std::find(resource.components.begin(), resource.components.end(), "VEVENT") != resource.components.end();
}

} // namespace

DavClient::DavClient(std::string serverUrl, HttpSettings settings)
    : m_serverUrl(NormalisedUrl(serverUrl))
    , m_origin(UrlOrigin(m_serverUrl))
    , m_http(std::move(settings))
{}

std::string DavClient::FailureText(const HttpResponse& response, const std::string& what) const
{
    if (response.fault != HttpFault::None)
        return HttpFaultText(response, m_origin);
    if (response.status == 401)
        return Format("Wrong user name or password for %s at %s", m_http.Settings().user.c_str(), m_origin.c_str());
    const std::string prefix = what.empty() ? "the server " : what + ": the server ";
    if (response.status == 403)
        return Format("%s%s refused access (HTTP 403)", prefix.c_str(), m_origin.c_str());
    return Format("%s%s answered HTTP %ld", prefix.c_str(), m_origin.c_str(), response.status);
}

HttpResponse DavClient::DiscoveryPropfind(std::string& url)
{
    HttpResponse response = Propfind(url, 0, kDiscoveryProps);
    // /.well-known/ redirects, and servers that moved their root, a few steps at most.
    for (int step = 0; step < 5 && response.fault == HttpFault::None && response.status >= 300 &&
                       response.status <= 399 && !response.location.empty();
         ++step) {
        const std::string next = ResolveDiscoveryHref(url, response.location);
        if (next.empty())
            break;
        url = next;
        response = Propfind(url, 0, kDiscoveryProps);
    }
    return response;
}

HttpResponse DavClient::Propfind(const std::string& url, int depth, std::string_view props)
{
    return m_http.Request("PROPFIND", url, {Format("Depth: %d", depth), "Content-Type: application/xml; charset=utf-8"},
                          PropfindBody(props));
}

bool DavClient::Multistatus(const HttpResponse& response, const std::string& what, std::vector<DavResource>& resources,
                            std::string& error) const
{
    if (response.fault != HttpFault::None || response.status != 207) {
        error = FailureText(response, what);
        return false;
    }
    std::string fault;
    if (!ParseMultistatus(response.body, resources, fault)) {
        error = what.empty() ? fault : Format("%s: %s", what.c_str(), fault.c_str());
        return false;
    }
    return true;
}

bool DavClient::HomesFrom(DavKind kind, const std::string& url, std::vector<std::string>& homes,
                          std::vector<DavCollection>& direct, std::string& error)
{
    std::string at = url;
    // The address itself, then its principal: at most two steps, whatever a server answers.
    for (int step = 0; step < 2; ++step) {
        const HttpResponse response = DiscoveryPropfind(at);
        if (response.fault != HttpFault::None || response.status == 401 || RefusesReading(response, at)) {
            error = FailureText(response, at);
            return false;
        }
        std::vector<DavResource> resources;
        std::string fault;
        if (response.status != 207 || !ParseMultistatus(response.body, resources, fault) || resources.empty())
            return true; // not a WebDAV resource: nothing found here
        const DavResource& resource = resources.front();
        if (IsCollectionOf(kind, resource)) {
            direct.push_back(CollectionOf(at, resource));
            return true;
        }
        for (const std::string& home : HomesOf(kind, resource)) {
            const std::string resolved = ResolveDiscoveryHref(at, home);
            if (!resolved.empty())
                homes.push_back(AsCollectionUrl(resolved));
        }
        if (!homes.empty() || resource.principal.empty())
            return true;
        at = ResolveDiscoveryHref(at, resource.principal);
        if (at.empty())
            return true;
    }
    return true;
}

bool DavClient::CollectionsIn(DavKind kind, const std::string& home, std::vector<DavCollection>& collections,
                              std::string& error)
{
    std::vector<DavResource> resources;
    if (!Multistatus(Propfind(home, 1, kCollectionProps), Format("The collections in %s", home.c_str()), resources,
                     error))
        return false;
    for (const DavResource& resource : resources) {
        const std::string url = ResolveHref(home, resource.href);
        if (url.empty() || !IsCollectionOf(kind, resource))
            continue;
        collections.push_back(CollectionOf(url, resource));
    }
    return true;
}

bool DavClient::Collections(DavKind kind, std::vector<DavCollection>& collections, std::string& error)
{
    collections.clear();
    if (m_origin.empty()) {
        error = Format("%s is not an http:// or https:// address", m_serverUrl.c_str());
        return false;
    }
    std::vector<std::string> homes;
    if (!HomesFrom(kind, m_serverUrl, homes, collections, error))
        return false;
    if (homes.empty() && collections.empty() && !HomesFrom(kind, m_origin + WellKnown(kind), homes, collections, error))
        return false;
    if (homes.empty() && collections.empty()) {
        error = Format("%s is not a %s server: no %s was found there or at %s%s", m_serverUrl.c_str(), ServerWord(kind),
                       kind == DavKind::Contacts ? "address book" : "calendar", m_origin.c_str(), WellKnown(kind));
        return false;
    }
    for (const std::string& home : homes)
        if (!CollectionsIn(kind, home, collections, error))
            return false;
    // A collection reached through two homes is one collection.
    // Sorted as the resources they name, so that one reached under two spellings lies next to itself.
    std::sort(collections.begin(), collections.end(),
              [](const DavCollection& a, const DavCollection& b) { return Decoded(a.url) < Decoded(b.url); });
    collections.erase(
        std::unique(collections.begin(), collections.end(),
                    [](const DavCollection& a, const DavCollection& b) { return SamePath(a.url, b.url); }),
        collections.end());
    return true;
}

bool DavClient::ListItems(const DavCollection& collection, std::vector<DavItemRef>& items, std::string& error)
{
    items.clear();
    std::vector<DavResource> resources;
    if (!Multistatus(Propfind(collection.url, 1, kItemListProps), "", resources, error))
        return false;
    for (const DavResource& resource : resources) {
        const std::string url = ResolveHref(collection.url, resource.href);
        if (url.empty() || resource.collection || (resource.status != 0 && resource.status != 200))
            continue;
        if (SamePath(url, collection.url))
            continue;
        items.push_back({url, resource.etag});
    }
    std::sort(items.begin(), items.end(), [](const DavItemRef& a, const DavItemRef& b) { return a.url < b.url; });
    return true;
}

bool DavClient::Multiget(DavKind kind, const DavCollection& collection, const std::vector<DavItemRef>& refs,
                         std::vector<DavItem>& items, std::string& error)
{
    items.clear();
    std::vector<std::string> paths;
    for (const DavItemRef& ref : refs)
        paths.push_back(UrlPath(ref.url));
    const std::string body = kind == DavKind::Contacts ? AddressbookMultigetBody(paths) : CalendarMultigetBody(paths);
    const HttpResponse response =
        m_http.Request("REPORT", collection.url, {"Depth: 1", "Content-Type: application/xml; charset=utf-8"}, body);
    std::vector<DavResource> resources;
    if (!Multistatus(response, "", resources, error))
        return false;
    std::map<std::string, DavResource*> byPath;
    for (DavResource& resource : resources) {
        const std::string url = ResolveHref(collection.url, resource.href);
        if (!url.empty())
            byPath[Decoded(UrlPath(url))] = &resource;
    }
    for (const DavItemRef& ref : refs) {
        DavItem item{ref.url, ref.etag, {}, {}};
        const auto found = byPath.find(Decoded(UrlPath(ref.url)));
        if (found == byPath.end())
            item.fault = "the server did not send it";
        else if (found->second->status != 0 && found->second->status != 200)
            item.fault = Format("the server answered HTTP %ld for it", found->second->status);
        else if (found->second->data.empty())
            item.fault = "the server sent it without its text";
        else {
            item.data = std::move(found->second->data);
            if (!found->second->etag.empty())
                item.etag = found->second->etag;
        }
        items.push_back(std::move(item));
    }
    return true;
}

HttpResponse DavClient::Get(const std::string& url)
{
    return m_http.Request("GET", url, {});
}

HttpResponse DavClient::Delete(const std::string& url, const std::string& etag)
{
    return m_http.Request("DELETE", url, {"If-Match: " + etag});
}

HttpResponse DavClient::PutNew(const std::string& url, const std::string& text, const std::string& contentType)
{
    return m_http.Request("PUT", url, {"If-None-Match: *", "Content-Type: " + contentType}, text);
}
