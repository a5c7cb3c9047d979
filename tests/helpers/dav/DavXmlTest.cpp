#include "helpers/dav/DavXml.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<DavResource> Parse(const std::string& body)
{
    std::vector<DavResource> resources;
    std::string fault;
    EXPECT_TRUE(ParseMultistatus(body, resources, fault)) << fault;
    return resources;
}

// Servers pick their own prefixes, or none: the elements are the same by namespace alone.
TEST(DavXmlTest, ReadsTheSameAnswerWhateverPrefixesItUses)
{
    const std::string prefixed =
        "<?xml version=\"1.0\"?><D:multistatus xmlns:D=\"DAV:\" xmlns:CARD=\"urn:ietf:params:xml:ns:carddav\">"
        "<D:response><D:href>/dav/me/</D:href><D:propstat><D:prop>"
        "<D:current-user-principal><D:href>/principals/me/</D:href></D:current-user-principal>"
        "<CARD:addressbook-home-set><D:href>/dav/books/</D:href></CARD:addressbook-home-set>"
        "</D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response></D:multistatus>";
    const std::string unprefixed =
        "<multistatus xmlns=\"DAV:\"><response><href>/dav/me/</href><propstat><prop>"
        "<current-user-principal><href>/principals/me/</href></current-user-principal>"
        "<addressbook-home-set xmlns=\"urn:ietf:params:xml:ns:carddav\"><href xmlns=\"DAV:\">/dav/books/</href>"
        "</addressbook-home-set></prop><status>HTTP/1.1 200 OK</status></propstat></response></multistatus>";
    for (const std::string& body : {prefixed, unprefixed}) {
        const std::vector<DavResource> resources = Parse(body);
        ASSERT_EQ(1u, resources.size());
        EXPECT_EQ("/dav/me/", resources[0].href);
        EXPECT_EQ("/principals/me/", resources[0].principal);
        EXPECT_EQ(std::vector<std::string>{"/dav/books/"}, resources[0].addressBookHomes);
        EXPECT_TRUE(resources[0].calendarHomes.empty());
    }
    // The right local name in another namespace is another property.
    const std::vector<DavResource> foreign =
        Parse("<d:multistatus xmlns:d=\"DAV:\" xmlns:x=\"urn:example\"><d:response><d:href>/a</d:href><d:propstat>"
              "<d:prop><x:getetag>\"not-it\"</x:getetag><x:displayname>No</x:displayname></d:prop></d:propstat>"
              "</d:response></d:multistatus>");
    ASSERT_EQ(1u, foreign.size());
    EXPECT_TRUE(foreign[0].etag.empty());
    EXPECT_TRUE(foreign[0].displayName.empty());
}

TEST(DavXmlTest, TakesOnlyPropertiesTheServerCouldGive)
{
    const std::vector<DavResource> resources =
        Parse("<d:multistatus xmlns:d=\"DAV:\" xmlns:cal=\"urn:ietf:params:xml:ns:caldav\""
              " xmlns:ical=\"http://apple.com/ns/ical/\"><d:response><d:href>/cal/work/</d:href>"
              "<d:propstat><d:prop><d:resourcetype><d:collection/><cal:calendar/></d:resourcetype>"
              "<d:displayname> Work &amp; more </d:displayname><ical:calendar-color>#FF8800FF</ical:calendar-color>"
              "<cal:supported-calendar-component-set><cal:comp name=\"vevent\"/><cal:comp name=\"VTODO\"/>"
              "</cal:supported-calendar-component-set></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
              "<d:propstat><d:prop><d:getetag>\"from-a-404-block\"</d:getetag></d:prop>"
              "<d:status>HTTP/1.1 404 Not Found</d:status></d:propstat></d:response></d:multistatus>");
    ASSERT_EQ(1u, resources.size());
    const DavResource& calendar = resources[0];
    EXPECT_TRUE(calendar.collection);
    EXPECT_TRUE(calendar.calendar);
    EXPECT_FALSE(calendar.addressBook);
    EXPECT_EQ("Work & more", calendar.displayName);
    EXPECT_EQ("#FF8800FF", calendar.color);
    EXPECT_TRUE(calendar.componentsKnown);
    EXPECT_EQ((std::vector<std::string>{"VEVENT", "VTODO"}), calendar.components);
    EXPECT_TRUE(calendar.etag.empty()) << "a property in a 404 block is not the resource's";
}

TEST(DavXmlTest, KeepsAnItemsTextByteForByteAndTheResponsesOwnStatus)
{
    const std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zoë <Z> & Co\r\nEND:VCARD\r\n";
    const std::vector<DavResource> resources =
        Parse("<multistatus xmlns=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
              "<response><href>/b/1.vcf</href><propstat><prop><getetag>\"e1\"</getetag>"
              "<c:address-data>BEGIN:VCARD&#13;\nVERSION:3.0&#13;\nFN:Zoë &lt;Z&gt; &amp; Co&#13;\nEND:VCARD&#13;\n"
              "</c:address-data></prop><status>HTTP/1.1 200 OK</status></propstat></response>"
              "<response><href>/b/2.vcf</href><propstat><prop><c:address-data><![CDATA[" +
              card +
              "]]></c:address-data></prop><status>HTTP/1.1 200 OK</status></propstat></response>"
              "<response><href>/b/gone.vcf</href><status>HTTP/1.1 404 Not Found</status></response></multistatus>");
    ASSERT_EQ(3u, resources.size());
    EXPECT_EQ(card, resources[0].data);
    EXPECT_EQ("\"e1\"", resources[0].etag);
    // Literal line ends in XML are LF once parsed, CDATA or not (the readers take either); only a
    // written-out CR (&#13;) stays one.
    std::string lf = card;
    for (size_t at; (at = lf.find('\r')) != std::string::npos;)
        lf.erase(at, 1);
    EXPECT_EQ(lf, resources[1].data);
    EXPECT_EQ(404, resources[2].status);
    EXPECT_EQ(0, resources[0].status);
}

TEST(DavXmlTest, RefusesWhatIsNoMultistatus)
{
    const struct
    {
        const char* body;
        const char* faultPart;
    } cases[] = {
        {"", "not XML"},
        {"<html><body>Login</body></html>", "not a WebDAV multistatus"},
        {"<multistatus><response/></multistatus>", "not a WebDAV multistatus"}, // no DAV: namespace
        {"<d:multistatus xmlns:d=\"DAV:\"><d:response>", "not XML"},
        // Entities are never expanded: a document type is refused before anything is read.
        {"<?xml version=\"1.0\"?><!DOCTYPE m [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]>"
         "<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>&b;</d:href></d:response></d:multistatus>",
         "document type"},
        {"<?xml version=\"1.0\"?><!DOCTYPE m SYSTEM \"file:///etc/passwd\"><d:multistatus xmlns:d=\"DAV:\"/>",
         "document type"},
    };
    for (const auto& c : cases) {
        std::vector<DavResource> resources;
        std::string fault;
        EXPECT_FALSE(ParseMultistatus(c.body, resources, fault)) << c.body;
        EXPECT_NE(std::string::npos, fault.find(c.faultPart)) << c.body << ": " << fault;
        EXPECT_TRUE(resources.empty());
    }
}

TEST(DavXmlTest, AMultigetNamesEachHrefAsEscapedText)
{
    const std::string body = AddressbookMultigetBody({"/b/a&b.vcf", "/b/<c>.vcf"});
    std::vector<DavResource> unused;
    std::string fault;
    // Well-formed (the parser would refuse it otherwise, as it is no multistatus), hrefs escaped.
    EXPECT_FALSE(ParseMultistatus(body, unused, fault));
    EXPECT_NE(std::string::npos, fault.find("not a WebDAV multistatus")) << fault;
    EXPECT_NE(std::string::npos, body.find("<d:href>/b/a&amp;b.vcf</d:href><d:href>/b/&lt;c&gt;.vcf</d:href>"));
    EXPECT_NE(std::string::npos, CalendarMultigetBody({"/c/e.ics"}).find("<cal:calendar-data/>"));
}

} // namespace
