// A CardDAV or CalDAV account as the helpers use it: discovery of the collections from the address
// the user gave, the listing of a collection's items, their text in batches, and a deletion that
// happens only while the item is as it was loaded.
#pragma once

#include "helpers/dav/DavXml.h"
#include "helpers/dav/HttpClient.h"

#include <string>
#include <vector>

enum class DavKind { Contacts, Calendar };

struct DavCollection
{
    std::string url; // absolute, ending with '/'; a hosted service's may be on another host than the one given
    std::string displayName;
    std::string color;
};

struct DavItemRef
{
    std::string url; // absolute, on the collection's origin
    std::string etag;
};

struct DavItem
{
    std::string url;
    std::string etag;
    std::string data;
    std::string fault; // empty when the server gave the item's text
};

class DavClient
{
public:
    DavClient(std::string serverUrl, HttpSettings settings);

    // The collections of the kind the account holds: address books for contacts, calendars that can
    // hold events for the calendar. The address given may be the server's, a principal's, a home's
    // or one collection's; /.well-known/ is tried when it leads nowhere. False with the message the
    // user is shown.
    bool Collections(DavKind kind, std::vector<DavCollection>& collections, std::string& error);
    // The items directly in a collection, sorted by address.
    bool ListItems(const DavCollection& collection, std::vector<DavItemRef>& items, std::string& error);
    // The text of each item asked for, in the order asked; an item the server did not give has its
    // fault set. False when the request as a whole failed.
    bool Multiget(DavKind kind, const DavCollection& collection, const std::vector<DavItemRef>& refs,
                  std::vector<DavItem>& items, std::string& error);

    // The item's text and ETag as they are now.
    HttpResponse Get(const std::string& url);
    // Deletes the item only while its ETag is still this one; the server answers 412 otherwise.
    HttpResponse Delete(const std::string& url, const std::string& etag);
    // Puts the text at url only where no item is (If-None-Match: *): a restore must never replace
    // what stands there now. The server answers 412 when an item is at that address; Radicale answers
    // 409 with a no-uid-conflict element when one of the same UID is elsewhere in the collection.
    HttpResponse PutNew(const std::string& url, const std::string& text, const std::string& contentType);

    // The message for an answer that is a failure (any fault, or a status outside 2xx), what it was
    // about first when what is not empty.
    std::string FailureText(const HttpResponse& response, const std::string& what) const;
    const std::string& Origin() const { return m_origin; }
    const std::string& ServerUrl() const { return m_serverUrl; }

private:
    // A depth-0 PROPFIND for discovery, following redirects where ResolveDiscoveryHref lets it; url
    // becomes the address that answered.
    HttpResponse DiscoveryPropfind(std::string& url);
    HttpResponse Propfind(const std::string& url, int depth, std::string_view props);
    bool Multistatus(const HttpResponse& response, const std::string& what, std::vector<DavResource>& resources,
                     std::string& error) const;
    // The homes (or collections themselves) one address leads to, through its principal.
    bool HomesFrom(DavKind kind, const std::string& url, std::vector<std::string>& homes,
                   std::vector<DavCollection>& direct, std::string& error);
    bool CollectionsIn(DavKind kind, const std::string& home, std::vector<DavCollection>& collections,
                       std::string& error);

    std::string m_serverUrl;
    std::string m_origin;
    HttpClient m_http;
};
