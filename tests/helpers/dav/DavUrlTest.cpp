#include "helpers/dav/DavUrl.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DavUrlTest, ResolvesHrefsAgainstTheAddressTheyCameWith)
{
    const struct
    {
        const char* base;
        const char* href;
        const char* resolved; // empty: refused
    } cases[] = {
        {"https://dav.example.com/dav/me/", "/dav/books/", "https://dav.example.com/dav/books/"},
        {"https://dav.example.com/dav/me/", "books/", "https://dav.example.com/dav/me/books/"},
        {"https://dav.example.com/dav/me/", "../you/", "https://dav.example.com/dav/you/"},
        {"https://dav.example.com:8443/dav/", "https://dav.example.com:8443/dav/x.vcf",
         "https://dav.example.com:8443/dav/x.vcf"},
        {"http://127.0.0.1:5232/", "/alice/a%20b.vcf", "http://127.0.0.1:5232/alice/a%20b.vcf"},
        // Another origin is never followed: the password would go with it.
        {"https://dav.example.com/dav/", "https://evil.example.net/dav/x.vcf", ""},
        {"https://dav.example.com/dav/", "http://dav.example.com/dav/x.vcf", ""},
        {"https://dav.example.com/dav/", "", ""},
        {"not a url", "/x", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.resolved, ResolveHref(c.base, c.href)) << c.base << " + " << c.href;
}

// Discovery may lead to another host (hosted services keep each user's collections on one of many),
// but the password never crosses the network readable on the way.
TEST(DavUrlTest, DiscoveryLeadsToAnotherHostOnlyOverHttpsOrOnThisMachine)
{
    const struct
    {
        const char* base;
        const char* href;
        const char* resolved; // empty: refused
    } cases[] = {
        {"https://dav.example.com/", "https://p07-dav.example.com:443/123/books/",
         "https://p07-dav.example.com/123/books/"},
        {"https://dav.example.com/", "/principals/me/", "https://dav.example.com/principals/me/"},
        {"https://dav.example.com/", "http://p07-dav.example.com/123/books/", ""},
        {"http://127.0.0.1:5232/", "http://127.0.0.1:8080/dav/", "http://127.0.0.1:8080/dav/"},
        {"http://127.0.0.1:5232/", "http://dav.example.com/dav/", ""},
        {"http://127.0.0.1:5232/", "http://127.0.0.1.example.com/dav/", ""},
        {"http://127.0.0.1:5232/", "ftp://127.0.0.1/dav/", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.resolved, ResolveDiscoveryHref(c.base, c.href)) << c.base << " + " << c.href;
}

TEST(DavUrlTest, AnItemOfACollectionLiesDirectlyInIt)
{
    const std::string book = "https://dav.example.com/ann/books/";
    EXPECT_TRUE(IsItemOf(book + "a.vcf", book));
    EXPECT_FALSE(IsItemOf(book, book));
    EXPECT_FALSE(IsItemOf(book + "deeper/a.vcf", book));
    EXPECT_FALSE(IsItemOf("https://dav.example.com/ann/books-old/a.vcf", book));
    EXPECT_FALSE(IsItemOf("https://evil.example.net/ann/books/a.vcf", book));
    EXPECT_FALSE(IsItemOf(book + "a.vcf", "https://dav.example.com/ann/books"));
}

TEST(DavUrlTest, OriginAndPath)
{
    EXPECT_EQ("https://dav.example.com", UrlOrigin("https://dav.example.com/remote.php/dav/"));
    EXPECT_EQ("http://127.0.0.1:5232", UrlOrigin("http://127.0.0.1:5232"));
    EXPECT_EQ("https://dav.example.com", UrlOrigin("https://dav.example.com:443/dav/"));
    EXPECT_EQ("https://dav.example.com/dav/books/", NormalisedUrl("https://dav.example.com:443/dav/x/../books/"));
    EXPECT_EQ("not a url", NormalisedUrl("not a url"));
    EXPECT_EQ("", UrlOrigin("ftp://example.com/"));
    EXPECT_EQ("/remote.php/dav/", UrlPath("https://dav.example.com/remote.php/dav/"));
    EXPECT_EQ("/", UrlPath("http://127.0.0.1:5232"));
}

TEST(DavUrlTest, AnItemPathInAHelperTextHasNoSeparatorAndComesBackWhole)
{
    for (const std::string path : {"/alice/contacts/a.vcf", "/dav/50%25 off/x\\y.vcf", "/%2F/", ""}) {
        const std::string text = EscapeItemPath(path);
        EXPECT_EQ(std::string::npos, text.find('/')) << text;
        EXPECT_EQ(std::string::npos, text.find('\\')) << text;
        std::string back;
        ASSERT_TRUE(UnescapeItemPath(text, back)) << text;
        EXPECT_EQ(path, back);
    }
    std::string path;
    for (const char* foreign : {"a.vcf/1:2:3", "%41", "%2", "a\\b"})
        EXPECT_FALSE(UnescapeItemPath(foreign, path)) << foreign;
}

} // namespace
