#include "helpers/dav/DavXml.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

constexpr const char* kDav = "DAV:";
constexpr const char* kCardDav = "urn:ietf:params:xml:ns:carddav";
constexpr const char* kCalDav = "urn:ietf:params:xml:ns:caldav";
constexpr const char* kAppleIcal = "http://apple.com/ns/ical/";

struct DocFree
{
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

bool Is(const xmlNode* node, const char* ns, const char* name)
{
    return node && node->type == XML_ELEMENT_NODE && node->ns && node->ns->href &&
           std::strcmp(reinterpret_cast<const char*>(node->ns->href), ns) == 0 &&
           std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

// The element's children that are elements, in order.
template <class Visit>
void EachChild(const xmlNode* node, Visit visit)
{
    for (const xmlNode* child = node ? node->children : nullptr; child; child = child->next)
        if (child->type == XML_ELEMENT_NODE)
            visit(child);
}

const xmlNode* Child(const xmlNode* node, const char* ns, const char* name)
{
    const xmlNode* found = nullptr;
    EachChild(node, [&](const xmlNode* child) {
        if (!found && Is(child, ns, name))
            found = child;
    });
    return found;
}

// The text of the element and everything in it, CDATA included.
std::string TextOf(const xmlNode* node)
{
    std::string text;
    if (!node)
        return text;
    xmlChar* content = xmlNodeGetContent(node);
    if (content) {
        text = reinterpret_cast<const char*>(content);
        xmlFree(content);
    }
    return text;
}

std::string Trimmed(std::string text)
{
    size_t end = text.size();
    while (end > 0 && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    size_t start = 0;
    while (start < end && std::isspace(static_cast<unsigned char>(text[start])))
        ++start;
    return text.substr(start, end - start);
}

// "HTTP/1.1 200 OK" gives 200; 0 for anything else.
long StatusOf(const xmlNode* node)
{
    const std::string text = Trimmed(TextOf(node));
    const size_t space = text.find(' ');
    if (text.rfind("HTTP/", 0) != 0 || space == std::string::npos)
        return 0;
    long status = 0;
    for (size_t i = space + 1; i < text.size() && i < space + 4; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return 0;
        status = status * 10 + (text[i] - '0');
    }
    return status;
}

void HrefsIn(const xmlNode* property, std::vector<std::string>& hrefs)
{
    EachChild(property, [&](const xmlNode* child) {
        if (Is(child, kDav, "href"))
            hrefs.push_back(Trimmed(TextOf(child)));
    });
}

void TakeResourceType(const xmlNode* property, DavResource& resource)
{
    resource.collection = Child(property, kDav, "collection") != nullptr;
    resource.addressBook = Child(property, kCardDav, "addressbook") != nullptr;
    resource.calendar = Child(property, kCalDav, "calendar") != nullptr;
}

void TakeComponents(const xmlNode* property, DavResource& resource)
{
    resource.componentsKnown = true;
    EachChild(property, [&](const xmlNode* comp) {
        if (!Is(comp, kCalDav, "comp"))
            return;
        xmlChar* name = xmlGetProp(comp, reinterpret_cast<const xmlChar*>("name"));
        if (!name)
            return;
        std::string upper(reinterpret_cast<const char*>(name));
        xmlFree(name);
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        resource.components.push_back(upper);
    });
}

void TakeProperty(const xmlNode* property, DavResource& resource)
{
    if (Is(property, kDav, "getetag"))
        resource.etag = Trimmed(TextOf(property));
    else if (Is(property, kDav, "displayname"))
        resource.displayName = Trimmed(TextOf(property));
    else if (Is(property, kAppleIcal, "calendar-color"))
        resource.color = Trimmed(TextOf(property));
    else if (Is(property, kCardDav, "address-data") || Is(property, kCalDav, "calendar-data"))
        resource.data = TextOf(property);
    else if (Is(property, kDav, "current-user-principal")) {
        std::vector<std::string> hrefs;
        HrefsIn(property, hrefs);
        if (!hrefs.empty())
            resource.principal = hrefs.front();
    } else if (Is(property, kCardDav, "addressbook-home-set"))
        HrefsIn(property, resource.addressBookHomes);
    else if (Is(property, kCalDav, "calendar-home-set"))
        HrefsIn(property, resource.calendarHomes);
    else if (Is(property, kDav, "resourcetype"))
        TakeResourceType(property, resource);
    else if (Is(property, kCalDav, "supported-calendar-component-set"))
        TakeComponents(property, resource);
}

DavResource ResourceOf(const xmlNode* response)
{
    DavResource resource;
    resource.href = Trimmed(TextOf(Child(response, kDav, "href")));
    resource.status = StatusOf(Child(response, kDav, "status"));
    EachChild(response, [&](const xmlNode* propstat) {
        if (!Is(propstat, kDav, "propstat"))
            return;
        // A property the server could not give (404) is as good as absent; one whose block carries
        // no status is taken as given.
        const xmlNode* status = Child(propstat, kDav, "status");
        const long code = status ? StatusOf(status) : 200;
        if (code < 200 || code > 299)
            return;
        EachChild(Child(propstat, kDav, "prop"), [&](const xmlNode* property) { TakeProperty(property, resource); });
    });
    return resource;
}

void InitialiseParser()
{
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

} // namespace

bool ParseMultistatus(std::string_view body, std::vector<DavResource>& resources, std::string& fault)
{
    resources.clear();
    InitialiseParser();
    if (body.size() > static_cast<size_t>(INT32_MAX)) {
        fault = "the answer is too large";
        return false;
    }
    // No entity is substituted and nothing is fetched: an answer is read as the text it is.
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA;
    std::unique_ptr<xmlDoc, DocFree> doc(
        xmlReadMemory(body.data(), static_cast<int>(body.size()), "answer.xml", nullptr, options));
    if (!doc) {
        const xmlError* error = xmlGetLastError();
        fault = error && error->message ? Trimmed(error->message) : "not well-formed XML";
        fault = "the answer is not XML: " + fault;
        return false;
    }
    // No server's answer declares entities, and expanding nested ones would take as much memory as an
    // attacker likes.
    if (doc->intSubset || doc->extSubset) {
        fault = "the answer declares a document type, which no WebDAV answer does";
        return false;
    }
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    if (!Is(root, kDav, "multistatus")) {
        fault = "the answer is not a WebDAV multistatus";
        return false;
    }
    EachChild(root, [&](const xmlNode* response) {
        if (Is(response, kDav, "response"))
            resources.push_back(ResourceOf(response));
    });
    return true;
}

std::string XmlEscaped(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

namespace {

constexpr std::string_view kNamespaces = " xmlns:d=\"DAV:\" xmlns:card=\"urn:ietf:params:xml:ns:carddav\""
                                         " xmlns:cal=\"urn:ietf:params:xml:ns:caldav\""
                                         " xmlns:ical=\"http://apple.com/ns/ical/\"";

std::string MultigetBody(std::string_view element, std::string_view dataProp, const std::vector<std::string>& hrefs)
{
    std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<";
    body += element;
    body += kNamespaces;
    body += "><d:prop><d:getetag/>";
    body += dataProp;
    body += "</d:prop>";
    for (const std::string& href : hrefs)
        body += "<d:href>" + XmlEscaped(href) + "</d:href>";
    body += "</";
    body += element;
    body += ">";
    return body;
}

} // namespace

std::string PropfindBody(std::string_view props)
{
    std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<d:propfind";
    body += kNamespaces;
    body += "><d:prop>";
    body += props;
    body += "</d:prop></d:propfind>";
    return body;
}

std::string AddressbookMultigetBody(const std::vector<std::string>& hrefs)
{
    return MultigetBody("card:addressbook-multiget", "<card:address-data/>", hrefs);
}

std::string CalendarMultigetBody(const std::vector<std::string>& hrefs)
{
    return MultigetBody("cal:calendar-multiget", "<cal:calendar-data/>", hrefs);
}
