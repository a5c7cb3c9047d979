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

TEST(DavUrlTest, OriginAndPath)
{
    EXPECT_EQ("https://dav.example.com", UrlOrigin("https://dav.example.com/remote.php/dav/"));
    EXPECT_EQ("http://127.0.0.1:5232", UrlOrigin("http://127.0.0.1:5232"));
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
