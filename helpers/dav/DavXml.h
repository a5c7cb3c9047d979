// The WebDAV answers the helpers read (RFC 4918 multistatus, with the CardDAV and CalDAV properties
// of RFC 6352 and RFC 4791), parsed with libxml2. Elements are matched by namespace and local name,
// never by prefix: every server picks its own prefixes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// What one <response> says of one resource, from its property blocks that answered 200.
struct DavResource
{
    std::string href; // as the server wrote it
    long status = 0;  // the response's own status (a multiget's missing item: 404), 0 when none
    std::string etag; // getetag
    std::string displayName;
    std::string color;                         // calendar-color (Apple's namespace), "#RRGGBB" or "#RRGGBBAA"
    std::string data;                          // address-data or calendar-data
    std::string principal;                     // current-user-principal's href
    std::vector<std::string> addressBookHomes; // addressbook-home-set hrefs
    std::vector<std::string> calendarHomes;    // calendar-home-set hrefs
    bool collection = false;
    bool addressBook = false;
    bool calendar = false;
    // supported-calendar-component-set: the component names, upper case; componentsKnown false when
    // the server did not say, which by RFC 4791 means any.
    std::vector<std::string> components;
    bool componentsKnown = false;
};

// The resources of a multistatus body; false with the fault for a body that is not well-formed XML
// or not a DAV:multistatus. No external entity or DTD is ever loaded.
bool ParseMultistatus(std::string_view body, std::vector<DavResource>& resources, std::string& fault);

// The request bodies the helpers send.
std::string PropfindBody(std::string_view props);
// What a collection is: asked of every address discovery goes through (the one given may be a
// collection itself) and of a home's collections.
inline constexpr std::string_view kCollectionProps =
    "<d:resourcetype/><d:displayname/><ical:calendar-color/><cal:supported-calendar-component-set/>";
// The same, with what leads to the principal and the homes.
inline constexpr std::string_view kDiscoveryProps =
    "<d:current-user-principal/><card:addressbook-home-set/><cal:calendar-home-set/><d:resourcetype/>"
    "<d:displayname/><ical:calendar-color/><cal:supported-calendar-component-set/>";
inline constexpr std::string_view kItemListProps = "<d:resourcetype/><d:getetag/>";
// A multiget REPORT of these hrefs (each escaped as XML text).
std::string AddressbookMultigetBody(const std::vector<std::string>& hrefs);
std::string CalendarMultigetBody(const std::vector<std::string>& hrefs);

// Text escaped for an XML element's content.
std::string XmlEscaped(std::string_view text);
