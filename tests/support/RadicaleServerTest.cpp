// The Radicale fixture against the real radicale: it serves what a client puts, refuses wrong
// credentials, keeps its items over a restart on the same port, speaks https with a certificate of its
// own making, and never outlives its test, not even one that dies.
#include "tests/support/RadicaleServer.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const std::string kCard = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:ann\r\nFN:Ann Ash\r\nN:Ash;Ann;;;\r\nEND:VCARD\r\n";
const std::string kEvent = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Qosweep tests//EN\r\nBEGIN:VEVENT\r\n"
                           "UID:walk\r\nDTSTAMP:20240101T000000Z\r\nDTSTART:20240615T100000Z\r\n"
                           "DTEND:20240615T110000Z\r\nSUMMARY:Walk\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";

std::string Card(const std::string& uid)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + uid + "\r\nN:" + uid + ";;;;\r\nEND:VCARD\r\n";
}

// A client of our own, without the fixture's trust in its certificate: the system's authorities only.
CURLcode PlainGet(const std::string& url)
{
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 2000L);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    return code;
}

class RadicaleServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_server.AddUser("alice", "secret");
        m_server.AddUser("bob", "hunter2");
    }

    void StartWithCollections()
    {
        std::string error;
        ASSERT_TRUE(m_server.Start(error)) << error;
        ASSERT_TRUE(m_server.MakeAddressBook("alice", "secret", "alice/contacts/", "Friends & Family", error)) << error;
        ASSERT_TRUE(m_server.MakeCalendar("alice", "secret", "alice/work/", "Work", "#ff8800", "VEVENT,VTODO", error))
            << error;
    }

    RadicaleServer m_server;
};

TEST_F(RadicaleServerTest, ServesWhatIsPutAndListsIt)
{
    StartWithCollections();
    EXPECT_EQ("http://127.0.0.1:" + std::to_string(m_server.Port()) + "/", m_server.Url());

    std::string etag;
    ASSERT_EQ(201, m_server.Put("alice", "secret", "alice/contacts/ann.vcf", kCard, &etag));
    EXPECT_TRUE(etag.size() > 2 && etag.front() == '"' && etag.back() == '"') << etag;
    ASSERT_EQ(201, m_server.Put("alice", "secret", "alice/work/walk.ics", kEvent));
    ASSERT_EQ(201, m_server.Put("alice", "secret", "alice/contacts/bea.vcf", Card("bea")));

    std::string text;
    std::string got;
    EXPECT_EQ(200, m_server.Get("alice", "secret", "alice/contacts/ann.vcf", text, &got));
    EXPECT_EQ(kCard, text);
    EXPECT_EQ(etag, got);
    EXPECT_EQ(404, m_server.Get("alice", "secret", "alice/contacts/nobody.vcf", text));
    EXPECT_EQ((std::vector<std::string>{"/alice/contacts/ann.vcf", "/alice/contacts/bea.vcf"}),
              m_server.Hrefs("alice", "secret", "alice/contacts/"));
    EXPECT_EQ(std::vector<std::string>{"/alice/work/walk.ics"}, m_server.Hrefs("alice", "secret", "alice/work"));

    // Beside the items, the principal lists its collections; a collection made twice is refused.
    EXPECT_EQ((std::vector<std::string>{"/alice/contacts/", "/alice/work/"}),
              m_server.Hrefs("alice", "secret", "alice/"));
    std::string error;
    EXPECT_FALSE(m_server.MakeAddressBook("alice", "secret", "alice/contacts/", "Again", error));
    EXPECT_EQ("MKCOL alice/contacts/: HTTP 405: The method is not allowed on the requested resource.", error);

    // The calendar's properties went in as given, the display name's '&' escaped on the way.
    const RadicaleResponse props = m_server.Request("alice", "secret", "PROPFIND", "alice/", {}, {"Depth: 1"});
    EXPECT_EQ(207, props.status);
    EXPECT_NE(std::string::npos, props.body.find(">Friends &amp; Family<")) << props.body;
    EXPECT_NE(std::string::npos, props.body.find(">#ff8800<")) << props.body;
    EXPECT_NE(std::string::npos, props.body.find("name=\"VTODO\"")) << props.body;
}

// Every way of not being alice is refused alike: the server cannot tell which part was wrong.
TEST_F(RadicaleServerTest, RefusesWrongCredentials)
{
    StartWithCollections();
    ASSERT_EQ(201, m_server.Put("alice", "secret", "alice/contacts/ann.vcf", kCard));
    const struct
    {
        const char* user;
        const char* password;
        long status;
    } cases[] = {
        {"alice", "wrong", 401},    // wrong password
        {"alice", "", 401},         // no password
        {"mallory", "secret", 401}, // unknown user
        {"", "", 401},              // no credentials at all
        {"bob", "hunter2", 403},    // a real user, but another user's collection
    };
    for (const auto& c : cases) {
        std::string text;
        EXPECT_EQ(c.status, m_server.Get(c.user, c.password, "alice/contacts/ann.vcf", text))
            << c.user << ":" << c.password;
        EXPECT_EQ(c.status, m_server.Put(c.user, c.password, "alice/contacts/eve.vcf", Card("eve")))
            << c.user << ":" << c.password;
    }
    EXPECT_EQ(std::vector<std::string>{"/alice/contacts/ann.vcf"},
              m_server.Hrefs("alice", "secret", "alice/contacts/"));
}

TEST_F(RadicaleServerTest, ARestartKeepsThePortAndTheItems)
{
    StartWithCollections();
    std::string etag;
    ASSERT_EQ(201, m_server.Put("alice", "secret", "alice/contacts/ann.vcf", kCard, &etag));
    const int port = m_server.Port();

    m_server.Stop();
    EXPECT_FALSE(m_server.Running());
    std::string text;
    const RadicaleResponse down = m_server.Request("alice", "secret", "GET", "alice/contacts/ann.vcf");
    EXPECT_EQ(0, down.status);
    EXPECT_FALSE(down.error.empty());

    std::string error;
    ASSERT_TRUE(m_server.Start(error)) << error;
    EXPECT_EQ(port, m_server.Port());
    std::string got;
    EXPECT_EQ(200, m_server.Get("alice", "secret", "alice/contacts/ann.vcf", text, &got));
    EXPECT_EQ(kCard, text);
    EXPECT_EQ(etag, got);
}

TEST_F(RadicaleServerTest, SeededItemsAreServedLikePutOnes)
{
    StartWithCollections();
    std::vector<std::pair<std::string, std::string>> items;
    for (int i = 0; i < 300; ++i)
        items.emplace_back("c" + std::to_string(1000 + i) + ".vcf", Card("c" + std::to_string(1000 + i)));
    std::string error;
    ASSERT_TRUE(m_server.SeedItems("alice/contacts/", items, error)) << error;

    const std::vector<std::string> hrefs = m_server.Hrefs("alice", "secret", "alice/contacts/");
    ASSERT_EQ(300u, hrefs.size());
    EXPECT_EQ("/alice/contacts/c1000.vcf", hrefs.front());
    EXPECT_EQ("/alice/contacts/c1299.vcf", hrefs.back());
    std::string text;
    EXPECT_EQ(200, m_server.Get("alice", "secret", "alice/contacts/c1123.vcf", text));
    EXPECT_EQ(Card("c1123"), text);

    // Names radicale would take for its own files, or for another folder, and a collection not made.
    EXPECT_FALSE(m_server.SeedItems("alice/contacts/", {{".hidden.vcf", Card("x")}}, error));
    EXPECT_EQ("not an item file name: .hidden.vcf", error);
    EXPECT_FALSE(m_server.SeedItems("alice/contacts/", {{"../work/x.vcf", Card("x")}}, error));
    EXPECT_FALSE(m_server.SeedItems("alice/nothing/", {{"x.vcf", Card("x")}}, error));
    EXPECT_NE(std::string::npos, error.find("make it with MakeAddressBook or MakeCalendar first")) << error;
    EXPECT_EQ(300u, m_server.Hrefs("alice", "secret", "alice/contacts/").size());
}

TEST_F(RadicaleServerTest, ServesHttpsWithItsOwnCertificate)
{
    TempDir certs;
    std::string cert;
    std::string key;
    std::string error;
    ASSERT_TRUE(RadicaleServer::MakeCertificate(certs.path(), cert, key, error)) << error;
    ASSERT_TRUE(m_server.StartTls(cert, key, error)) << error;
    EXPECT_EQ("https://127.0.0.1:" + std::to_string(m_server.Port()) + "/", m_server.Url());
    ASSERT_TRUE(m_server.MakeAddressBook("alice", "secret", "alice/contacts/", "Friends", error)) << error;
    ASSERT_EQ(201, m_server.Put("alice", "secret", "alice/contacts/ann.vcf", kCard));
    std::string text;
    EXPECT_EQ(200, m_server.Get("alice", "secret", "alice/contacts/ann.vcf", text));
    EXPECT_EQ(kCard, text);
    // A client that does not trust the certificate is refused by its own TLS check.
    EXPECT_EQ(CURLE_PEER_FAILED_VERIFICATION, PlainGet(m_server.Url()));
}

TEST_F(RadicaleServerTest, AStartThatFailsSaysWhyWithRadicalesLog)
{
    std::string error;
    EXPECT_FALSE(m_server.StartTls("/nonexistent/cert.pem", "/nonexistent/key.pem", error));
    EXPECT_FALSE(m_server.Running());
    EXPECT_NE(std::string::npos, error.find("radicale ended at its start")) << error;
    EXPECT_NE(std::string::npos, error.find("/nonexistent/cert.pem")) << error;

    // Without radicale on PATH the start fails (the tests must not quietly pass without a server).
    TempDir emptyBin;
    ScopedEnv path("PATH", emptyBin.path().c_str());
    EXPECT_FALSE(m_server.Start(error));
    EXPECT_EQ("radicale is not installed: run scripts/setup", error);
}

// The destructor stops the server; so does the death of a test process that never ran it.
TEST_F(RadicaleServerTest, NeverOutlivesItsTest)
{
    std::string url;
    {
        RadicaleServer server;
        std::string error;
        ASSERT_TRUE(server.Start(error)) << error;
        url = server.Url();
        ASSERT_EQ(CURLE_OK, PlainGet(url));
    }
    EXPECT_EQ(CURLE_COULDNT_CONNECT, PlainGet(url));

    // The child's temporary folder, which it never removes, lands in one of ours.
    TempDir tmp;
    ScopedEnv tmpdir("TMPDIR", tmp.path().c_str());
    int ports[2];
    ASSERT_EQ(0, ::pipe(ports));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A test process that dies midway, its server still running.
        auto* server = new RadicaleServer;
        std::string error;
        const int port = server->Start(error) ? server->Port() : 0;
        (void)!::write(ports[1], &port, sizeof port);
        ::_exit(0);
    }
    ::close(ports[1]);
    int port = 0;
    EXPECT_EQ(static_cast<ssize_t>(sizeof port), ::read(ports[0], &port, sizeof port));
    ::close(ports[0]);
    ::waitpid(child, nullptr, 0);
    ASSERT_NE(0, port);
    const std::string orphan = "http://127.0.0.1:" + std::to_string(port) + "/";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (PlainGet(orphan) != CURLE_COULDNT_CONNECT && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(CURLE_COULDNT_CONNECT, PlainGet(orphan)) << "radicale outlived the process that started it";
}

} // namespace
