// The contacts and calendar helpers serving an account kept on a real Radicale server: discovery of
// its address books and calendars, a large book read in batches, deletions that reach the server and
// keep a copy here, an item changed on the server meanwhile, and each fault a user must be told of.
#include "helpers/account/ServerTrash.h"
#include "helpers/dav/DavUrl.h"
#include "helpers/driver/TrashRun.h"
#include "tests/helpers/driver/HelperProgramRun.h"
#include "tests/support/RadicaleServer.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace helper_run;

namespace fs = std::filesystem;

namespace {

constexpr const char* kUser = "alice";
constexpr const char* kPassword = "s3cret pass";

std::string ServerCard(const std::string& uid, const std::string& name)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + name + "\r\nN:" + name + ";;;;\r\nEMAIL:" + uid +
           "@example.com\r\nEND:VCARD\r\n";
}

std::string ServerEvent(const std::string& uid, const std::string& summary)
{
    return CalendarOf("BEGIN:VEVENT\r\nUID:" + uid +
                      "\r\nDTSTAMP:20240101T080000Z\r\nDTSTART:20240105T120000Z\r\n"
                      "DTEND:20240105T130000Z\r\nSUMMARY:" +
                      summary + "\r\nEND:VEVENT\r\n");
}

std::string ServerTask(const std::string& uid)
{
    return CalendarOf("BEGIN:VTODO\r\nUID:" + uid + "\r\nDTSTAMP:20240101T080000Z\r\nSUMMARY:Task\r\nEND:VTODO\r\n");
}

// A socket listening on a free port of 127.0.0.1 (the system takes connections to it even before
// anyone accepts them); -1 when there is none.
int ListenOnLoopback(int& port)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 8) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (listener >= 0)
            ::close(listener);
        return -1;
    }
    port = ntohs(address.sin_port);
    return listener;
}

// The item's address on the server, from a record's helper text.
std::string UrlOf(const char* helperText)
{
    const std::string text(helperText);
    std::string url;
    EXPECT_TRUE(UnescapeItemPath(text.substr(0, text.find('/')), url)) << text;
    return url;
}

std::string PathOf(const char* helperText)
{
    return UrlPath(UrlOf(helperText));
}

class ServerAccountTest : public HelperProgramRunner
{
protected:
    void SetUp() override
    {
        m_server.AddUser(kUser, kPassword);
        std::string error;
        ASSERT_TRUE(m_server.Start(error)) << error;
        WriteAccount("Url=" + m_server.Url() + "\nUser=" + kUser + "\n");
    }

    void WriteAccount(const std::string& lines)
    {
        TempDir::WriteFile(m_work.file("accounts.ini"), "[me@example.com]\n" + lines);
    }

    void MakeBook(const std::string& path, const std::string& name)
    {
        std::string error;
        ASSERT_TRUE(m_server.MakeAddressBook(kUser, kPassword, path, name, error)) << error;
    }
    void MakeCalendar(const std::string& path, const std::string& name, const std::string& color,
                      const std::string& components = "VEVENT")
    {
        std::string error;
        ASSERT_TRUE(m_server.MakeCalendar(kUser, kPassword, path, name, color, components, error)) << error;
    }
    void PutItem(const std::string& path, const std::string& text)
    {
        ASSERT_EQ(201, m_server.Put(kUser, kPassword, path, text)) << path;
    }

    // A load or save with the password typed on the first page, its debug log on.
    int RunWith(Kind kind, int operation, const std::string& password = kPassword)
    {
        return Run(kind, operation, {{1001, password}, {1016, "1"}});
    }

    DataFile<GAddrRecord> Contacts() const
    {
        return ReadData<GAddrRecord>(DataPath(Kind::Contacts), GAddrRecordFields<CxGFieldReader, GAddrRecord>);
    }
    DataFile<GDateRecord> Events() const
    {
        return ReadData<GDateRecord>(DataPath(Kind::Calendar), GDateRecordFields<CxGFieldReader, GDateRecord>);
    }
    std::set<std::string> ContactNames() const
    {
        std::set<std::string> names;
        for (const auto& record : Contacts().records)
            names.insert(record->szDisplayName);
        return names;
    }
    std::string DayFolder() const { return m_work.path() + ServerTrashFolder("me@example.com") + m_day + "/"; }
    std::string TrashRoot() const { return m_work.path() + ServerTrashFolder("me@example.com"); }

    // A trash run (list 4, empty 5, restore 3), the days of an emptying in the options.
    int RunTrash(Kind kind, int operation, const std::string& options = "")
    {
        return Run(kind, operation, {{1001, kPassword}, {1004, options}, {1016, "1"}});
    }
    // The result file's one section: its name under "[section]", then every "key=value".
    std::map<std::string, std::string> TrashEntries(Kind kind) const
    {
        const std::string path = m_work.file(kind == Kind::Contacts ? "GAddrResult.ini" : "GDateResult.ini");
        std::map<std::string, std::string> entries;
        std::istringstream in(fs::exists(path) ? TempDir::ReadFile(path) : "");
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const size_t equals = line.find('=');
            if (!line.empty() && line[0] == '[')
                entries["[section]"] = line;
            else if (equals != std::string::npos)
                entries[line.substr(0, equals)] = line.substr(equals + 1);
        }
        return entries;
    }
    // The trash entry a listed record names.
    static TrashReference ReferenceOf(const char* recordText)
    {
        TrashReference reference;
        EXPECT_TRUE(ParseTrashRecordText(recordText, reference)) << recordText;
        return reference;
    }
    // Loads, marks the records at those positions and saves: the deletions the trash then keeps.
    void DeleteLoaded(Kind kind, const std::set<size_t>& marked)
    {
        ASSERT_EQ(0, RunWith(kind, 1)) << ::testing::PrintToString(Errors(kind));
        MarkLoadedRecords(kind, marked);
        ASSERT_EQ(0, RunWith(kind, 2)) << ::testing::PrintToString(Errors(kind));
    }

    RadicaleServer m_server;
    // A proxy of the environment must not stand between the helpers and the server on this machine.
    ScopedEnv m_noProxy{"NO_PROXY", "127.0.0.1"};
};

TEST_F(ServerAccountTest, FindsEveryAddressBookAndEveryCalendarOfEventsFromTheServersAddress)
{
    MakeBook("alice/friends/", "Friends");
    MakeBook("alice/work-people/", "Work people");
    MakeCalendar("alice/home/", "Home", "#00AA00");
    MakeCalendar("alice/work/", "Work", "#FF8800");
    MakeCalendar("alice/chores/", "Chores", "", "VTODO");
    PutItem("alice/friends/ann.vcf", ServerCard("ann", "Ann Ash"));
    PutItem("alice/friends/bea.vcf", ServerCard("bea", "Bea Birch"));
    PutItem("alice/work-people/cid.vcf", ServerCard("cid", "Cid Cedar"));
    PutItem("alice/home/walk.ics", ServerEvent("walk", "Walk"));
    PutItem("alice/work/standup.ics", ServerEvent("standup", "Standup"));
    // A task in a calendar of events is passed over, as in a synchronised folder.
    PutItem("alice/work/todo.ics", ServerTask("todo"));
    PutItem("alice/chores/dishes.ics", ServerTask("dishes"));
    // A series with one changed occurrence is one item on a CalDAV server, as in a file.
    PutItem("alice/home/yoga.ics",
            CalendarOf("BEGIN:VEVENT\r\nUID:yoga\r\nDTSTAMP:20240101T080000Z\r\nDTSTART:20240108T180000Z\r\n"
                       "DTEND:20240108T190000Z\r\nRRULE:FREQ=WEEKLY;COUNT=4\r\nSUMMARY:Yoga\r\nEND:VEVENT\r\n"
                       "BEGIN:VEVENT\r\nUID:yoga\r\nDTSTAMP:20240101T080000Z\r\nRECURRENCE-ID:20240115T180000Z\r\n"
                       "DTSTART:20240115T190000Z\r\nDTEND:20240115T200000Z\r\nSUMMARY:Yoga\r\nEND:VEVENT\r\n"));

    EXPECT_EQ(0, RunWith(Kind::Contacts, 1)) << ::testing::PrintToString(Errors(Kind::Contacts));
    EXPECT_EQ((std::set<std::string>{"Ann Ash", "Bea Birch", "Cid Cedar"}), ContactNames());
    EXPECT_EQ("Finished: 3 contacts read", Status(Kind::Contacts));
    for (const auto& record : Contacts().records) {
        const std::string path = PathOf(record->szHelperText);
        EXPECT_TRUE(path.rfind("/alice/friends/", 0) == 0 || path.rfind("/alice/work-people/", 0) == 0) << path;
        // The ETag rides behind the path, where a folder account's records carry their content identity.
        std::string text;
        std::string etag;
        ASSERT_EQ(200, m_server.Get(kUser, kPassword, path.substr(1), text, &etag));
        EXPECT_EQ(etag, std::string(record->szHelperText).substr(std::string(record->szHelperText).find('/') + 1));
    }

    EXPECT_EQ(0, RunWith(Kind::Calendar, 1)) << ::testing::PrintToString(Errors(Kind::Calendar));
    const auto events = Events();
    ASSERT_EQ(3u, events.records.size());
    std::map<std::string, std::string> calendarOf;
    for (const auto& record : events.records) {
        if (std::string(record->szSubject) == "Yoga") {
            EXPECT_NE(std::string::npos, std::string(record->szRecurrence).find("RRULE:FREQ=WEEKLY;COUNT=4"))
                << record->szRecurrence;
        }
        calendarOf[record->szSubject] = record->szHelperTextC;
        EXPECT_EQ(fs::path(std::string(record->szHelperTextC)).parent_path().filename().string(),
                  record->szHelperTextA);
    }
    EXPECT_EQ((std::map<std::string, std::string>{{"Standup", m_server.Url() + "alice/work/"},
                                                  {"Walk", m_server.Url() + "alice/home/"},
                                                  {"Yoga", m_server.Url() + "alice/home/"}}),
              calendarOf);
    const auto calendars = ReadData<GCalRecord>(m_work.file("GCal.dat"), GCalRecordFields<CxGFieldReader, GCalRecord>);
    ASSERT_TRUE(calendars.whole);
    std::map<std::string, std::string> colours;
    for (const auto& record : calendars.records)
        colours[record->szText1] = record->szText3;
    EXPECT_EQ((std::map<std::string, std::string>{{"Home", "#00AA00"}, {"Work", "#FF8800"}}), colours);
}

TEST_F(ServerAccountTest, AnAddressOfOneCollectionServesThatCollectionOnly)
{
    MakeBook("alice/friends/", "Friends");
    MakeBook("alice/others/", "Others");
    PutItem("alice/friends/ann.vcf", ServerCard("ann", "Ann Ash"));
    PutItem("alice/others/bea.vcf", ServerCard("bea", "Bea Birch"));
    WriteAccount("Url=" + m_server.Url() + "alice/friends/\nUser=" + kUser + "\n");
    EXPECT_EQ(0, RunWith(Kind::Contacts, 1)) << ::testing::PrintToString(Errors(Kind::Contacts));
    EXPECT_EQ(std::set<std::string>{"Ann Ash"}, ContactNames());
}

// Two thousand cards come in batches of a hundred: the progress line moves batch by batch, and a stop
// request between two batches ends the load without a data file.
TEST_F(ServerAccountTest, ALargeAddressBookIsReadInBatchesAndAStopRequestEndsTheLoad)
{
    MakeBook("alice/big/", "Big");
    std::vector<std::pair<std::string, std::string>> cards;
    std::set<std::string> names;
    for (int i = 0; i < 2000; ++i) {
        const std::string uid = "p" + std::to_string(10000 + i);
        cards.emplace_back(uid + ".vcf", ServerCard(uid, "Person " + std::to_string(i)));
        names.insert("Person " + std::to_string(i));
    }
    std::string error;
    ASSERT_TRUE(m_server.SeedItems("alice/big/", cards, error)) << error;
    EXPECT_EQ(0, RunWith(Kind::Contacts, 1)) << ::testing::PrintToString(Errors(Kind::Contacts));
    EXPECT_EQ(names, ContactNames());
    EXPECT_EQ("Finished: 2000 contacts read", Status(Kind::Contacts));

    const pid_t pid = Start(Kind::Contacts, WriteParams(Kind::Contacts, 1, {{1001, kPassword}}), 300);
    ASSERT_GT(pid, 0);
    const bool secondBatch = WaitUntil([this] { return Status(Kind::Contacts) == "Reading contacts 101 of 2000"; },
                                       std::chrono::milliseconds(10000));
    CxIniUtil(m_work.path().c_str(), "GAddrData.ini").WriteNumber("Status", "Stop", 1);
    EXPECT_EQ(3, Wait(pid));
    EXPECT_TRUE(secondBatch) << Status(Kind::Contacts);
    EXPECT_FALSE(fs::exists(DataPath(Kind::Contacts)));
    EXPECT_EQ("Stopped on request", Status(Kind::Contacts));
}

TEST_F(ServerAccountTest, DeletesReachTheServerAndTheirTextStaysInTheLocalTrash)
{
    MakeBook("alice/friends/", "Friends");
    MakeCalendar("alice/work/", "Work", "#FF8800");
    const std::string ann = ServerCard("ann", "Ann Ash");
    PutItem("alice/friends/ann.vcf", ann);
    PutItem("alice/friends/ann2.vcf", ServerCard("ann2", "Ann Ash"));
    PutItem("alice/friends/bea.vcf", ServerCard("bea", "Bea Birch"));
    PutItem("alice/work/standup.ics", ServerEvent("standup", "Standup"));
    PutItem("alice/work/walk.ics", ServerEvent("walk", "Walk"));
    ASSERT_EQ(0, RunWith(Kind::Contacts, 1));
    ASSERT_EQ(0, RunWith(Kind::Calendar, 1));
    std::string annText;
    ASSERT_EQ(200, m_server.Get(kUser, kPassword, "alice/friends/ann.vcf", annText));

    // Records 1 (ann) and 2 (ann2) in path order; the events: the second (walk).
    MarkLoadedRecords(Kind::Contacts, {0, 1});
    MarkLoadedRecords(Kind::Calendar, {1});
    EXPECT_EQ(0, RunWith(Kind::Contacts, 2)) << ::testing::PrintToString(Errors(Kind::Contacts));
    EXPECT_EQ(0, RunWith(Kind::Calendar, 2)) << ::testing::PrintToString(Errors(Kind::Calendar));
    EXPECT_EQ(
        (std::map<std::string, std::string>{{"Record.1", "Deleted"}, {"Record.2", "Deleted"}, {"Result.Count", "2"}}),
        ResultEntries("GAddrResult.ini"));
    EXPECT_EQ(std::vector<std::string>{"/alice/friends/bea.vcf"}, m_server.Hrefs(kUser, kPassword, "alice/friends/"));
    EXPECT_EQ(std::vector<std::string>{"/alice/work/standup.ics"}, m_server.Hrefs(kUser, kPassword, "alice/work/"));
    EXPECT_EQ("Finished: 2 of 2 contacts deleted", Status(Kind::Contacts));

    // What the server held, byte for byte, for the owner only, and listed with its address.
    EXPECT_EQ(annText, TempDir::ReadFile(DayFolder() + "alice/friends/ann.vcf"));
    EXPECT_TRUE(fs::exists(DayFolder() + "alice/friends/ann2.vcf"));
    EXPECT_TRUE(fs::exists(DayFolder() + "alice/work/walk.ics"));
    EXPECT_FALSE(fs::exists(DayFolder() + "alice/friends/bea.vcf"));
    struct stat info
    {};
    ASSERT_EQ(0, ::stat((DayFolder() + "alice/friends/ann.vcf").c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777);
    const std::string index = TempDir::ReadFile(DayFolder() + kServerTrashIndex);
    EXPECT_NE(std::string::npos, index.find("alice/friends/ann.vcf\t" + m_server.Url() + "alice/friends/ann.vcf\t\""))
        << index;

    // The password typed goes to the server and nowhere else: no file the helpers wrote holds it, the
    // debug log included (the parameter files are the app's, and hold it by design).
    ASSERT_TRUE(fs::exists(m_work.file("appdebug.log")));
    for (const auto& entry : fs::recursive_directory_iterator(m_work.path())) {
        if (entry.is_regular_file() && entry.path().filename().string().find("Param.dat") == std::string::npos) {
            EXPECT_EQ(std::string::npos, TempDir::ReadFile(entry.path().string()).find(kPassword)) << entry.path();
        }
    }
}

// Changed on the server between the load and the save (by a phone, say): the conditional delete is
// refused with 412, the item stays as the phone left it, the others go, and no copy of it is kept.
TEST_F(ServerAccountTest, AnItemChangedOnTheServerSinceTheLoadIsNeverDeleted)
{
    MakeBook("alice/friends/", "Friends");
    PutItem("alice/friends/ann.vcf", ServerCard("ann", "Ann Ash"));
    PutItem("alice/friends/bea.vcf", ServerCard("bea", "Bea Birch"));
    ASSERT_EQ(0, RunWith(Kind::Contacts, 1));
    const std::string edited = ServerCard("ann", "Ann Ash-Elm");
    const long put = m_server.Put(kUser, kPassword, "alice/friends/ann.vcf", edited);
    ASSERT_TRUE(put == 201 || put == 204) << put;
    MarkEveryLoadedRecord(Kind::Contacts);

    EXPECT_EQ(1, RunWith(Kind::Contacts, 2));
    const auto results = ResultEntries("GAddrResult.ini");
    EXPECT_EQ("Deleted", results.at("Record.2"));
    EXPECT_EQ("Not deleted: /alice/friends/ann.vcf was changed on the server since the load, not deleted",
              results.at("Record.1"));
    EXPECT_EQ(std::vector<std::string>{"/alice/friends/ann.vcf"}, m_server.Hrefs(kUser, kPassword, "alice/friends/"));
    std::string text;
    ASSERT_EQ(200, m_server.Get(kUser, kPassword, "alice/friends/ann.vcf", text));
    EXPECT_NE(std::string::npos, text.find("Ann Ash-Elm")) << text;
    EXPECT_FALSE(fs::exists(DayFolder() + "alice/friends/ann.vcf"));
    EXPECT_TRUE(fs::exists(DayFolder() + "alice/friends/bea.vcf"));
}

// Faults of the account as a whole: each is the helper's last error, which the app shows, and a load
// leaves no data file, a save deletes nothing and says so for every record.
TEST_F(ServerAccountTest, AWrongPasswordIsToldAndNothingIsLoaded)
{
    MakeBook("alice/friends/", "Friends");
    PutItem("alice/friends/ann.vcf", ServerCard("ann", "Ann Ash"));
    EXPECT_EQ(1, RunWith(Kind::Contacts, 1, "wrong"));
    EXPECT_EQ("Wrong user name or password for alice at http://127.0.0.1:" + std::to_string(m_server.Port()),
              LastError(Kind::Contacts));
    EXPECT_FALSE(fs::exists(DataPath(Kind::Contacts)));
}

TEST_F(ServerAccountTest, AStoppedServerIsToldAtTheLoadAndTheSave)
{
    MakeBook("alice/friends/", "Friends");
    PutItem("alice/friends/ann.vcf", ServerCard("ann", "Ann Ash"));
    ASSERT_EQ(0, RunWith(Kind::Contacts, 1));
    MarkEveryLoadedRecord(Kind::Contacts);
    m_server.Stop();
    EXPECT_EQ(1, RunWith(Kind::Contacts, 2));
    const std::string reach = "Cannot reach the server http://127.0.0.1:" + std::to_string(m_server.Port());
    // The account's collections cannot be found again, so no record is tried: the save is refused whole.
    const auto results = ResultEntries("GAddrResult.ini");
    ASSERT_EQ(1u, results.count("Result.Error"));
    EXPECT_EQ(0u, results.at("Result.Error").find(reach)) << results.at("Result.Error");
    EXPECT_NE(std::string::npos, results.at("Result.Error").find("nothing deleted")) << results.at("Result.Error");
    EXPECT_EQ(0u, results.count("Record.1"));
    EXPECT_FALSE(fs::exists(DayFolder() + "alice/friends/ann.vcf"));
    EXPECT_EQ(1, RunWith(Kind::Contacts, 1));
    EXPECT_EQ(0u, LastError(Kind::Contacts).find(reach)) << LastError(Kind::Contacts);
    EXPECT_FALSE(fs::exists(DataPath(Kind::Contacts)));

    // Started again on the same port and storage, the item is there and was never deleted.
    std::string error;
    ASSERT_TRUE(m_server.Start(error)) << error;
    EXPECT_EQ(std::vector<std::string>{"/alice/friends/ann.vcf"}, m_server.Hrefs(kUser, kPassword, "alice/friends/"));
}

// A port that takes the connection and never answers: the request gives up after the account's
// time-out instead of hanging the wait window.
TEST_F(ServerAccountTest, AServerThatNeverAnswersTimesOut)
{
    int port = 0;
    const int listener = ListenOnLoopback(port);
    ASSERT_GE(listener, 0);
    WriteAccount("Url=http://127.0.0.1:" + std::to_string(port) + "/\nTimeout=2\n");
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(1, RunWith(Kind::Calendar, 1));
    // Given up after about the time-out, not after libcurl's own low-speed check (five to seven times it).
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
    ::close(listener);
    EXPECT_EQ(0u, LastError(Kind::Calendar)
                      .find("The server http://127.0.0.1:" + std::to_string(port) + " did not answer in time"))
        << LastError(Kind::Calendar);
    EXPECT_FALSE(fs::exists(DataPath(Kind::Calendar)));
}

// A server of the test's own that answers each request from a script: method and path in, status,
// headers and body out. One request per connection.
struct ScriptedAnswer
{
    int status = 200;
    std::string body;
    std::string headers; // whole lines, each ending with CR LF
};

class ScriptedServer
{
public:
    // request is the whole of it, request line, headers and body.
    using Script =
        std::function<ScriptedAnswer(const std::string& method, const std::string& path, const std::string& request)>;

    explicit ScriptedServer(Script script)
        : m_script(std::move(script))
    {
        m_listener = ListenOnLoopback(m_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~ScriptedServer()
    {
        ::shutdown(m_listener, SHUT_RDWR);
        ::close(m_listener);
        m_thread.join();
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/"; }
    std::string Origin() const { return "http://127.0.0.1:" + std::to_string(m_port); }

private:
    // The request line and headers, and as much of the body as Content-Length says.
    static std::string ReadRequest(int client)
    {
        std::string request;
        char buffer[4096];
        for (;;) {
            const size_t head = request.find("\r\n\r\n");
            if (head != std::string::npos) {
                const size_t field = request.find("ontent-Length: ");
                const size_t body =
                    field != std::string::npos && field < head ? std::stoul(request.substr(field + 15)) : 0;
                if (request.size() >= head + 4 + body)
                    return request;
            }
            const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0)
                return request;
            request.append(buffer, static_cast<size_t>(got));
        }
    }

    void Serve()
    {
        for (;;) {
            const int client = ::accept(m_listener, nullptr, nullptr);
            if (client < 0)
                return;
            const std::string request = ReadRequest(client);
            const size_t space = request.find(' ');
            const size_t end = request.find(' ', space + 1);
            const ScriptedAnswer answer =
                space == std::string::npos || end == std::string::npos
                    ? ScriptedAnswer{400, "", ""}
                    : m_script(request.substr(0, space), request.substr(space + 1, end - space - 1), request);
            const std::string text = "HTTP/1.1 " + std::to_string(answer.status) + " Scripted\r\n" + answer.headers +
                                     "Content-Length: " + std::to_string(answer.body.size()) +
                                     "\r\nConnection: close\r\n\r\n" + answer.body;
            (void)::send(client, text.data(), text.size(), MSG_NOSIGNAL);
            ::close(client);
        }
    }

    Script m_script;
    int m_listener = -1;
    int m_port = 0;
    std::thread m_thread;
};

ScriptedAnswer Multistatus(const std::string& responses)
{
    return {207,
            "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\" xmlns:card=\"urn:ietf:params:xml:ns:carddav\">" +
                responses + "</d:multistatus>",
            "Content-Type: application/xml; charset=utf-8\r\n"};
}

std::string Response(const std::string& href, const std::string& props)
{
    return "<d:response><d:href>" + href + "</d:href><d:propstat><d:prop>" + props +
           "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
}

// A server laid out as the large hosted ones are: its own address is a web page, /.well-known/carddav
// redirects to the DAV root, which names the principal, whose home holds the address books.
ScriptedAnswer HostedServer(const std::string& method, const std::string& path, bool lockedReadable)
{
    const std::string book = "<d:resourcetype><d:collection/><card:addressbook/></d:resourcetype>";
    if (path == "/.well-known/carddav")
        return {301, "", "Location: /dav/\r\n"};
    if (method == "PROPFIND" && path == "/dav/")
        return Multistatus(Response("/dav/", "<d:current-user-principal><d:href>/dav/principals/me/</d:href>"
                                             "</d:current-user-principal>"));
    if (method == "PROPFIND" && path == "/dav/principals/me/")
        return Multistatus(Response("/dav/principals/me/", "<card:addressbook-home-set><d:href>/dav/books/me/"
                                                           "</d:href></card:addressbook-home-set>"));
    if (method == "PROPFIND" && path == "/dav/books/me/")
        return Multistatus(Response("/dav/books/me/", "<d:resourcetype><d:collection/></d:resourcetype>") +
                           Response("friends/", book + "<d:displayname>Friends</d:displayname>") +
                           Response("/dav/books/me/locked/", book + "<d:displayname>Locked</d:displayname>"));
    if (method == "PROPFIND" && path == "/dav/books/me/friends/")
        // gone.vcf is listed but deleted before the batch is read: the multiget leaves it out.
        return Multistatus(Response("/dav/books/me/friends/", book) +
                           Response("/dav/books/me/friends/ann.vcf", "<d:getetag>\"a1\"</d:getetag>") +
                           Response("/dav/books/me/friends/gone.vcf", "<d:getetag>\"g1\"</d:getetag>"));
    if (method == "PROPFIND" && path == "/dav/books/me/locked/")
        return lockedReadable ? Multistatus(Response("/dav/books/me/locked/", book)) : ScriptedAnswer{403, "No", ""};
    if (method == "REPORT" && path == "/dav/books/me/friends/")
        return Multistatus(
            Response("/dav/books/me/friends/ann.vcf", "<d:getetag>\"a1\"</d:getetag><card:address-data>" +
                                                          ServerCard("ann", "Ann Ash") + "</card:address-data>"));
    return {200, "<html><body>Sign in</body></html>", "Content-Type: text/html\r\n"};
}

// Discovery through /.well-known/ and a principal on another path, as hosted servers have it; one
// address book of two that cannot be read fails the load and says which.
TEST_F(ServerAccountTest, DiscoveryFollowsWellKnownAndAnAddressBookThatCannotBeReadIsNamed)
{
    // Read by the server's thread.
    std::atomic<bool> lockedReadable{false};
    ScriptedServer hosted([&lockedReadable](const std::string& method, const std::string& path, const std::string&) {
        return HostedServer(method, path, lockedReadable);
    });
    WriteAccount("Url=" + hosted.Url() + "\n");
    EXPECT_EQ(1, RunWith(Kind::Contacts, 1));
    EXPECT_EQ("The address book \"Locked\" (/dav/books/me/locked/) cannot be read: the server " + hosted.Origin() +
                  " refused access (HTTP 403)",
              LastError(Kind::Contacts));
    EXPECT_FALSE(fs::exists(DataPath(Kind::Contacts)));

    // An item the server no longer gives is told and left out; the rest of the account loads.
    lockedReadable = true;
    EXPECT_EQ(1, RunWith(Kind::Contacts, 1));
    EXPECT_EQ(
        std::vector<std::string>{"Cannot read /dav/books/me/friends/gone.vcf, skipped: the server did not send it"},
        Errors(Kind::Contacts));
    ASSERT_EQ(1u, Contacts().records.size());
    EXPECT_STREQ("Ann Ash", Contacts().records[0]->szDisplayName);
    EXPECT_EQ("/dav/books/me/friends/ann.vcf", PathOf(Contacts().records[0]->szHelperText));
}

// A server that takes Digest only gets Digest once it has said so; one under load that asks the client
// to come back (503 with Retry-After) is asked again.
TEST_F(ServerAccountTest, ADigestOnlyServerAndAServerUnderLoadAreStillRead)
{
    std::atomic<int> reports{0};
    std::atomic<int> digestAnswers{0};
    ScriptedServer hosted([&](const std::string& method, const std::string& path, const std::string& request) {
        if (request.find("Authorization: Digest ") == std::string::npos)
            return ScriptedAnswer{401, "", "WWW-Authenticate: Digest realm=\"dav\", nonce=\"n1\", qop=\"auth\"\r\n"};
        ++digestAnswers;
        if (method == "REPORT" && reports++ == 0)
            return ScriptedAnswer{503, "busy", "Retry-After: 1\r\n"};
        return HostedServer(method, path, true);
    });
    WriteAccount("Url=" + hosted.Url() + "\n");
    RunWith(Kind::Contacts, 1);
    // Only the item the hosted server never sends is missing (see HostedServer).
    EXPECT_EQ(1u, Errors(Kind::Contacts).size()) << ::testing::PrintToString(Errors(Kind::Contacts));
    ASSERT_EQ(1u, Contacts().records.size());
    EXPECT_STREQ("Ann Ash", Contacts().records[0]->szDisplayName);
    EXPECT_EQ(2, reports.load());
    EXPECT_GT(digestAnswers.load(), 0);
}

// A hosted service keeps each user's collections on a host of its own (one of many), named as the
// home by the server the user gave: the load reads them there, the save deletes there, and a record
// naming an item anywhere else is never acted on.
TEST_F(ServerAccountTest, CollectionsOnAnotherHostAreReadAndCleanedThereAndNowhereElse)
{
    const std::string book = "<d:resourcetype><d:collection/><card:addressbook/></d:resourcetype>";
    std::mutex seen;
    std::vector<std::string> deletes;
    std::vector<std::string> elsewhereRequests;
    ScriptedServer elsewhere([&](const std::string& method, const std::string& path, const std::string&) {
        std::lock_guard<std::mutex> lock(seen);
        elsewhereRequests.push_back(method + " " + path);
        return ScriptedAnswer{204, "", ""};
    });
    ScriptedServer partition([&](const std::string& method, const std::string& path, const std::string& request) {
        const std::string card =
            path == "/books/me/friends/a1.vcf" ? ServerCard("a1", "Ann Ash") : ServerCard("a2", "Ann Ash");
        const std::string etag = path == "/books/me/friends/a1.vcf" ? "\"e1\"" : "\"e2\"";
        if (method == "PROPFIND" && path == "/books/me/")
            return Multistatus(Response("/books/me/", "<d:resourcetype><d:collection/></d:resourcetype>") +
                               Response("/books/me/friends/", book + "<d:displayname>Friends</d:displayname>"));
        if (method == "PROPFIND" && path == "/books/me/friends/")
            return Multistatus(Response("/books/me/friends/", book) +
                               Response("/books/me/friends/a1.vcf", "<d:getetag>\"e1\"</d:getetag>") +
                               Response("/books/me/friends/a2.vcf", "<d:getetag>\"e2\"</d:getetag>"));
        // The multiget names a2 percent-encoded where the listing did not: the same resource.
        if (method == "REPORT")
            return Multistatus(
                Response("/books/me/friends/a1.vcf", "<d:getetag>\"e1\"</d:getetag><card:address-data>" +
                                                         ServerCard("a1", "Ann Ash") + "</card:address-data>") +
                Response("/books/me/friends/%61%32.vcf", "<d:getetag>\"e2\"</d:getetag><card:address-data>" +
                                                             ServerCard("a2", "Ann Ash") + "</card:address-data>"));
        if (method == "GET")
            return ScriptedAnswer{200, card, "ETag: " + etag + "\r\n"};
        if (method == "DELETE") {
            std::lock_guard<std::mutex> lock(seen);
            const size_t match = request.find("If-Match: ");
            deletes.push_back(path + " " + request.substr(match + 10, request.find("\r\n", match) - match - 10));
            return ScriptedAnswer{204, "", ""};
        }
        return ScriptedAnswer{404, "", ""};
    });
    ScriptedServer hosted([&](const std::string& method, const std::string& path, const std::string&) {
        if (method == "PROPFIND" && path == "/")
            return Multistatus(Response("/", "<d:current-user-principal><d:href>/123/principal/</d:href>"
                                             "</d:current-user-principal>"));
        if (method == "PROPFIND" && path == "/123/principal/")
            return Multistatus(Response("/123/principal/", "<card:addressbook-home-set><d:href>" + partition.Url() +
                                                               "books/me/</d:href></card:addressbook-home-set>"));
        return ScriptedAnswer{404, "", ""};
    });
    WriteAccount("Url=" + hosted.Url() + "\n");
    ASSERT_EQ(0, RunWith(Kind::Contacts, 1)) << ::testing::PrintToString(Errors(Kind::Contacts));
    auto data = Contacts();
    ASSERT_EQ(2u, data.records.size());
    EXPECT_EQ(partition.Url() + "books/me/friends/a1.vcf", UrlOf(data.records[0]->szHelperText));

    // The second record is deleted; the first is made to name the same item on another server, as a
    // damaged or foreign data file might.
    data.records[1]->ActionCode = 3;
    data.records[0]->ActionCode = 3;
    const std::string foreign = elsewhere.Url() + "books/me/friends/a1.vcf";
    CopyText(data.records[0]->szHelperText, (EscapeItemPath(foreign) + "/\"e1\"").c_str());
    WriteData<GAddrRecord>(DataPath(Kind::Contacts), data.records,
                           GAddrRecordFields<CxGFieldWriter, const GAddrRecord>);
    EXPECT_EQ(1, RunWith(Kind::Contacts, 2));
    const auto results = ResultEntries("GAddrResult.ini");
    EXPECT_EQ("Deleted", results.at("Record.2"));
    EXPECT_EQ("Not deleted: " + foreign + " is in none of the account's address books now, skipped",
              results.at("Record.1"));
    std::lock_guard<std::mutex> lock(seen);
    EXPECT_EQ(std::vector<std::string>{"/books/me/friends/a2.vcf \"e2\""}, deletes);
    EXPECT_TRUE(elsewhereRequests.empty()) << ::testing::PrintToString(elsewhereRequests);
    EXPECT_EQ(ServerCard("a2", "Ann Ash"), TempDir::ReadFile(DayFolder() + "books/me/friends/a2.vcf"));
}

// An address of the user's choosing that the server refuses is told, never replaced by whatever
// /.well-known/ leads to: here another user's address book, which would have led to alice's own.
TEST_F(ServerAccountTest, AnAddressTheServerRefusesIsToldNotLookedPast)
{
    m_server.Stop();
    m_server.AddUser("bob", "bobs password");
    std::string error;
    ASSERT_TRUE(m_server.Start(error)) << error;
    ASSERT_TRUE(m_server.MakeAddressBook("bob", "bobs password", "bob/contacts/", "Bob's", error)) << error;
    MakeBook("alice/friends/", "Friends");
    PutItem("alice/friends/ann.vcf", ServerCard("ann", "Ann Ash"));
    WriteAccount("Url=" + m_server.Url() + "bob/contacts/\nUser=" + kUser + "\n");
    EXPECT_EQ(1, RunWith(Kind::Contacts, 1));
    EXPECT_EQ(m_server.Url() + "bob/contacts/: the server http://127.0.0.1:" + std::to_string(m_server.Port()) +
                  " refused access (HTTP 403)",
              LastError(Kind::Contacts));
    EXPECT_FALSE(fs::exists(DataPath(Kind::Contacts)));
}

TEST_F(ServerAccountTest, AnAddressThatIsNoCardDavOrCalDavServerIsToldSo)
{
    ScriptedServer web([](const std::string&, const std::string&, const std::string&) {
        return ScriptedAnswer{200, "<html><body>Sign in</body></html>", "Content-Type: text/html\r\n"};
    });
    WriteAccount("Url=" + web.Url() + "\n");
    EXPECT_EQ(1, RunWith(Kind::Contacts, 1));
    EXPECT_EQ(web.Url() + " is not a CardDAV server: no address book was found there or at " + web.Origin() +
                  "/.well-known/carddav",
              LastError(Kind::Contacts));
    EXPECT_FALSE(fs::exists(DataPath(Kind::Contacts)));
    EXPECT_EQ(1, RunWith(Kind::Calendar, 1));
    EXPECT_NE(std::string::npos, LastError(Kind::Calendar).find("is not a CalDAV server: no calendar was found"))
        << LastError(Kind::Calendar);
}

// A server whose principal has no address book is a server with no contacts, not a fault.
TEST_F(ServerAccountTest, AnAccountWithoutAnAddressBookLoadsNoContacts)
{
    EXPECT_EQ(0, RunWith(Kind::Contacts, 1)) << ::testing::PrintToString(Errors(Kind::Contacts));
    EXPECT_TRUE(Contacts().whole);
    EXPECT_TRUE(Contacts().records.empty());
}

TEST_F(ServerAccountTest, HttpsWithACertificateOfItsOwnNeedsItNamed)
{
    m_server.Stop();
    std::string cert;
    std::string key;
    std::string error;
    ASSERT_TRUE(RadicaleServer::MakeCertificate(m_work.path(), cert, key, error)) << error;
    ASSERT_TRUE(m_server.StartTls(cert, key, error)) << error;
    WriteAccount("Url=" + m_server.Url() + "\nUser=" + kUser + "\n");
    MakeBook("alice/friends/", "Friends");
    PutItem("alice/friends/ann.vcf", ServerCard("ann", "Ann Ash"));
    EXPECT_EQ(1, RunWith(Kind::Contacts, 1));
    EXPECT_NE(std::string::npos, LastError(Kind::Contacts).find("could not be verified")) << LastError(Kind::Contacts);
    EXPECT_NE(std::string::npos, LastError(Kind::Contacts).find("CaFile=")) << LastError(Kind::Contacts);
    EXPECT_FALSE(fs::exists(DataPath(Kind::Contacts)));
    WriteAccount("Url=" + m_server.Url() + "\nUser=" + kUser + "\nCaFile=" + cert + "\n");
    EXPECT_EQ(0, RunWith(Kind::Contacts, 1)) << ::testing::PrintToString(Errors(Kind::Contacts));
    EXPECT_EQ(std::set<std::string>{"Ann Ash"}, ContactNames());
    // Only the user's own line turns the check off.
    fs::remove(DataPath(Kind::Contacts));
    WriteAccount("Url=" + m_server.Url() + "\nUser=" + kUser + "\nVerifyCertificate=no\n");
    EXPECT_EQ(0, RunWith(Kind::Contacts, 1)) << ::testing::PrintToString(Errors(Kind::Contacts));
    EXPECT_EQ(std::set<std::string>{"Ann Ash"}, ContactNames());
}

// Two runs on one server account at once (two apps, or a run by hand) would each delete what the
// other's data file still lists: the second is refused, and a save says so for its records.
TEST_F(ServerAccountTest, ASecondRunOnTheSameAccountIsRefused)
{
    MakeBook("alice/friends/", "Friends");
    PutItem("alice/friends/ann.vcf", ServerCard("ann", "Ann Ash"));
    ASSERT_EQ(0, RunWith(Kind::Contacts, 1));
    MarkEveryLoadedRecord(Kind::Contacts);
    const std::string lockPath = m_work.path() + ServerTrashFolder("me@example.com") + ".qosweep.lock";
    platform::FileLock lock;
    ASSERT_EQ(platform::LockResult::Locked, platform::TryLockFile(lockPath.c_str(), &lock));
    EXPECT_EQ(1, RunWith(Kind::Contacts, 2));
    platform::UnlockFile(&lock);
    EXPECT_EQ("Another run is using the account me@example.com, nothing done", LastError(Kind::Contacts));
    EXPECT_EQ("Another run is using the account me@example.com, nothing done",
              ResultEntries("GAddrResult.ini").at("Result.Error"));
    EXPECT_EQ(std::vector<std::string>{"/alice/friends/ann.vcf"}, m_server.Hrefs(kUser, kPassword, "alice/friends/"));
}

// Tasks and notes of a server account are not served yet: their helpers end with an error and no data
// file, and a save deletes nothing.
TEST_F(ServerAccountTest, TasksAndNotesOfAServerAccountAreRefused)
{
    const std::pair<Kind, const char*> kinds[] = {{Kind::Tasks, "GTaskResult.ini"}, {Kind::Notes, "GNoteResult.ini"}};
    for (const auto& [kind, result] : kinds) {
        EXPECT_EQ(1, RunWith(kind, 1));
        EXPECT_FALSE(fs::exists(DataPath(kind)));
        TempDir::WriteFile(DataPath(kind), std::string(4, '\0'));
        EXPECT_EQ(1, RunWith(kind, 2));
        EXPECT_NE(std::string::npos, ResultEntries(result).at("Result.Error").find("not served yet"));
    }
}

// The whole round: a deletion kept here is listed with its time and calendar, put back on the server
// with the very text the server had, and then no longer in the trash.
TEST_F(ServerAccountTest, ADeletedItemIsListedFromTheTrashAndRestoredWithItsText)
{
    MakeBook("alice/friends/", "Friends");
    MakeCalendar("alice/work/", "Work", "#FF8800");
    PutItem("alice/friends/ann.vcf", ServerCard("ann", "Ann Ash"));
    PutItem("alice/friends/bea.vcf", ServerCard("bea", "Bea Birch"));
    PutItem("alice/work/standup.ics", ServerEvent("standup", "Standup"));
    PutItem("alice/work/walk.ics", ServerEvent("walk", "Walk"));
    std::string annText;
    std::string walkText;
    ASSERT_EQ(200, m_server.Get(kUser, kPassword, "alice/friends/ann.vcf", annText));
    ASSERT_EQ(200, m_server.Get(kUser, kPassword, "alice/work/walk.ics", walkText));
    const std::string before = DeletionTimeNow();
    DeleteLoaded(Kind::Contacts, {0});
    DeleteLoaded(Kind::Calendar, {1});
    const std::string after = DeletionTimeNow();

    // Listing needs no server.
    m_server.Stop();
    ASSERT_EQ(0, RunTrash(Kind::Contacts, 4)) << ::testing::PrintToString(Errors(Kind::Contacts));
    auto contacts = Contacts();
    ASSERT_TRUE(contacts.whole);
    ASSERT_EQ(1u, contacts.records.size());
    EXPECT_STREQ("Ann Ash", contacts.records[0]->szDisplayName);
    EXPECT_EQ(0, contacts.records[0]->ActionCode);
    EXPECT_EQ(m_day + "/alice/friends/ann.vcf", ReferenceOf(contacts.records[0]->szHelperText).path);
    auto trash = TrashEntries(Kind::Contacts);
    EXPECT_EQ("[Trash]", trash["[section]"]);
    EXPECT_EQ("1", trash["Trash.Count"]);
    EXPECT_EQ(std::to_string(annText.size()), trash["Trash.Bytes"]);
    EXPECT_EQ("1", trash["Trash.Files"]);
    EXPECT_LE(before, trash["Record.1"]);
    EXPECT_GE(after, trash["Record.1"]);
    EXPECT_EQ(19u, trash["Record.1"].size()) << trash["Record.1"];

    ASSERT_EQ(0, RunTrash(Kind::Calendar, 4)) << ::testing::PrintToString(Errors(Kind::Calendar));
    auto events = Events();
    ASSERT_EQ(1u, events.records.size());
    EXPECT_STREQ("Walk", events.records[0]->szSubject);
    EXPECT_EQ(m_day + "/alice/work/walk.ics", ReferenceOf(events.records[0]->szHelperTextB).path);
    EXPECT_EQ(m_server.Url() + "alice/work/", events.records[0]->szHelperTextC);
    EXPECT_STREQ("work", events.records[0]->szHelperTextA);
    const auto calendars = ReadData<GCalRecord>(m_work.file("GCal.dat"), GCalRecordFields<CxGFieldReader, GCalRecord>);
    ASSERT_EQ(1u, calendars.records.size());
    EXPECT_STREQ("/alice/work/", calendars.records[0]->szText1);
    EXPECT_EQ(m_server.Url() + "alice/work/", calendars.records[0]->szText2);
    EXPECT_EQ("1", TrashEntries(Kind::Calendar)["Trash.Count"]);

    std::string error;
    ASSERT_TRUE(m_server.Start(error)) << error;
    MarkEveryLoadedRecord(Kind::Contacts);
    MarkEveryLoadedRecord(Kind::Calendar);
    EXPECT_EQ(0, RunTrash(Kind::Contacts, 3)) << ::testing::PrintToString(Errors(Kind::Contacts));
    EXPECT_EQ(0, RunTrash(Kind::Calendar, 3)) << ::testing::PrintToString(Errors(Kind::Calendar));
    EXPECT_EQ((std::map<std::string, std::string>{{"Record.1", "Restored"}, {"Result.Count", "1"}}),
              ResultEntries("GAddrResult.ini"));
    EXPECT_EQ("Restored", ResultEntries("GDateResult.ini").at("Record.1"));
    EXPECT_EQ("Finished: 1 of 1 contacts restored", Status(Kind::Contacts));
    std::string text;
    ASSERT_EQ(200, m_server.Get(kUser, kPassword, "alice/friends/ann.vcf", text));
    EXPECT_EQ(annText, text);
    ASSERT_EQ(200, m_server.Get(kUser, kPassword, "alice/work/walk.ics", text));
    EXPECT_EQ(walkText, text);
    EXPECT_FALSE(fs::exists(DayFolder() + "alice/friends/ann.vcf"));
    EXPECT_FALSE(fs::exists(DayFolder() + "alice/work/walk.ics"));

    ASSERT_EQ(0, RunTrash(Kind::Contacts, 4)) << ::testing::PrintToString(Errors(Kind::Contacts));
    EXPECT_TRUE(Contacts().whole);
    EXPECT_TRUE(Contacts().records.empty());
    trash = TrashEntries(Kind::Contacts);
    EXPECT_EQ("0", trash["Trash.Count"]);
    EXPECT_EQ("0", trash["Trash.Files"]);
    // Restoring the same listing again finds nothing left to put back.
    ASSERT_EQ(0, RunTrash(Kind::Calendar, 4));
    EXPECT_TRUE(Events().records.empty());
}

// Made again on the server since the deletion (by a phone, say): the restore never replaces it, says
// so, and keeps the copy; an unreachable server refuses the restore whole.
TEST_F(ServerAccountTest, AnItemMadeAgainOnTheServerIsLeftAloneAndItsCopyKept)
{
    MakeBook("alice/friends/", "Friends");
    PutItem("alice/friends/ann.vcf", ServerCard("ann", "Ann Ash"));
    PutItem("alice/friends/bea.vcf", ServerCard("bea", "Bea Birch"));
    PutItem("alice/friends/cid.vcf", ServerCard("cid", "Cid Cedar"));
    DeleteLoaded(Kind::Contacts, {});
    ASSERT_EQ(0, RunTrash(Kind::Contacts, 4));
    ASSERT_EQ(3u, Contacts().records.size());
    // The same address again, and bea's UID under another address (Radicale answers 409 for that).
    PutItem("alice/friends/ann.vcf", ServerCard("ann-new", "Ann New"));
    PutItem("alice/friends/bea-again.vcf", ServerCard("bea", "Bea Again"));
    MarkEveryLoadedRecord(Kind::Contacts);
    m_server.Stop();
    EXPECT_EQ(1, RunTrash(Kind::Contacts, 3));
    const auto refused = ResultEntries("GAddrResult.ini");
    EXPECT_EQ(0u, refused.at("Result.Error").find("Cannot reach the server")) << refused.at("Result.Error");
    EXPECT_NE(std::string::npos, refused.at("Result.Error").find("nothing restored"));
    EXPECT_EQ(0u, refused.count("Record.1"));

    std::string error;
    ASSERT_TRUE(m_server.Start(error)) << error;
    EXPECT_EQ(1, RunTrash(Kind::Contacts, 3));
    // The listing's order is the file's within one second of deletion; match by name.
    std::map<std::string, std::string> verdicts;
    const auto results = ResultEntries("GAddrResult.ini");
    const auto listed = Contacts();
    for (size_t i = 0; i < listed.records.size(); ++i)
        verdicts[listed.records[i]->szDisplayName] = results.at("Record." + std::to_string(i + 1));
    EXPECT_EQ("Not restored: an item at /alice/friends/ann.vcf is on the server again; it was left alone",
              verdicts["Ann Ash"]);
    EXPECT_EQ("Not restored: an item with the same UID is in /alice/friends/ again; it was left alone",
              verdicts["Bea Birch"]);
    EXPECT_EQ("Restored", verdicts["Cid Cedar"]);
    std::string text;
    ASSERT_EQ(200, m_server.Get(kUser, kPassword, "alice/friends/ann.vcf", text));
    EXPECT_NE(std::string::npos, text.find("Ann New")) << text;
    EXPECT_EQ(404, m_server.Get(kUser, kPassword, "alice/friends/bea.vcf", text));
    EXPECT_TRUE(fs::exists(DayFolder() + "alice/friends/ann.vcf"));
    EXPECT_TRUE(fs::exists(DayFolder() + "alice/friends/bea.vcf"));
    ASSERT_EQ(0, RunTrash(Kind::Contacts, 4));
    std::set<std::string> names;
    for (const auto& record : Contacts().records)
        names.insert(record->szDisplayName);
    EXPECT_EQ((std::set<std::string>{"Ann Ash", "Bea Birch"}), names);
}

// The data file is the app's, and may be damaged or foreign: a record restores only a kept file of
// this account's trash that its index lists, unchanged since the listing.
TEST_F(ServerAccountTest, ARecordNamingAnythingButAListedKeptFileIsRefused)
{
    MakeBook("alice/friends/", "Friends");
    PutItem("alice/friends/ann.vcf", ServerCard("ann", "Ann Ash"));
    DeleteLoaded(Kind::Contacts, {});
    ASSERT_EQ(0, RunTrash(Kind::Contacts, 4));
    auto data = Contacts();
    ASSERT_EQ(1u, data.records.size());
    const TrashReference listed = ReferenceOf(data.records[0]->szHelperText);
    TempDir outside;
    TempDir::WriteFile(outside.file("x.vcf"), ServerCard("x", "Outsider"));
    fs::create_symlink(outside.file("x.vcf"), DayFolder() + "alice/friends/link.vcf");
    TempDir::WriteFile(DayFolder() + "alice/friends/unlisted.vcf", ServerCard("u", "Unlisted"));
    TempDir::WriteFile(DayFolder() + kServerTrashIndex, TempDir::ReadFile(DayFolder() + kServerTrashIndex) +
                                                            "alice/friends/link.vcf\t" + m_server.Url() +
                                                            "alice/friends/link.vcf\t\"l\"\n");
    const std::string escape = "../../../" + fs::path(outside.path()).filename().string() + "/x.vcf";
    const std::string paths[] = {
        m_day + "/" + escape,
        escape,
        m_day + "/alice/friends/link.vcf",
        m_day + "/alice/friends/unlisted.vcf",
        "not-a-day/alice/friends/ann.vcf",
    };
    std::vector<RecordPtr<GAddrRecord>> records;
    for (const std::string& path : paths) {
        records.push_back(Zeroed<GAddrRecord>());
        std::memcpy(records.back().get(), data.records[0].get(), sizeof(GAddrRecord));
        CopyText(records.back()->szHelperText, TrashRecordText({path, {}, listed.content}).c_str());
        records.back()->ActionCode = 3;
    }
    WriteData<GAddrRecord>(DataPath(Kind::Contacts), records, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>);
    EXPECT_EQ(1, RunTrash(Kind::Contacts, 3));
    const auto results = ResultEntries("GAddrResult.ini");
    for (size_t i = 0; i < std::size(paths); ++i)
        EXPECT_EQ("Not restored: record " + std::to_string(i + 1) + " names nothing in the trash",
                  results.at("Record." + std::to_string(i + 1)))
            << paths[i];
    EXPECT_TRUE(m_server.Hrefs(kUser, kPassword, "alice/friends/").empty());

    // The listed file itself, changed in the trash since: refused too.
    TempDir::WriteFile(DayFolder() + "alice/friends/ann.vcf", ServerCard("ann", "Ann Changed"));
    data.records[0]->ActionCode = 3;
    WriteData<GAddrRecord>(DataPath(Kind::Contacts), data.records,
                           GAddrRecordFields<CxGFieldWriter, const GAddrRecord>);
    EXPECT_EQ(1, RunTrash(Kind::Contacts, 3));
    EXPECT_EQ("Not restored: " + listed.path + " changed in the trash since it was listed",
              ResultEntries("GAddrResult.ini").at("Record.1"));
    EXPECT_TRUE(m_server.Hrefs(kUser, kPassword, "alice/friends/").empty());
}

// A day folder of an older helper (index lines without a time) is listed with its day, after today's
// deletions; an emptying removes the kind's files of days old enough and nothing else.
TEST_F(ServerAccountTest, AnOlderDayIsListedWithItsDayAndEmptyingTakesOldDaysOfTheKindOnly)
{
    MakeBook("alice/friends/", "Friends");
    PutItem("alice/friends/ann.vcf", ServerCard("ann", "Ann Ash"));
    DeleteLoaded(Kind::Contacts, {});
    const std::string old = TrashRoot() + "2020-01-05/";
    fs::create_directories(old + "alice/friends");
    fs::create_directories(old + "alice/work");
    TempDir::WriteFile(old + "alice/friends/old.vcf", ServerCard("old", "Old Oak"));
    TempDir::WriteFile(old + "alice/work/old.ics", ServerEvent("old", "Old event"));
    TempDir::WriteFile(old + kServerTrashIndex, "# file in this folder\taddress on the server\tETag\n"
                                                "alice/friends/old.vcf\t" +
                                                    m_server.Url() + "alice/friends/old.vcf\t\"o\"\n" +
                                                    "alice/work/old.ics\t" + m_server.Url() +
                                                    "alice/work/old.ics\t\"e\"\n");
    // Only folders named as a day are the trash's.
    const std::string other = TrashRoot() + "not-a-day/";
    fs::create_directories(other);
    TempDir::WriteFile(other + "x.vcf", ServerCard("x", "Not a day"));
    ASSERT_TRUE(fs::exists(other + "x.vcf"));

    ASSERT_EQ(0, RunTrash(Kind::Contacts, 4)) << ::testing::PrintToString(Errors(Kind::Contacts));
    const auto listed = Contacts();
    ASSERT_EQ(2u, listed.records.size());
    EXPECT_STREQ("Ann Ash", listed.records[0]->szDisplayName);
    EXPECT_STREQ("Old Oak", listed.records[1]->szDisplayName);
    auto trash = TrashEntries(Kind::Contacts);
    EXPECT_EQ("2020-01-05", trash["Record.2"]);
    EXPECT_EQ("2", trash["Trash.Files"]);

    // Not a number of days: nothing goes.
    EXPECT_EQ(1, RunTrash(Kind::Contacts, 5, "30 days"));
    EXPECT_EQ("[Result]", TrashEntries(Kind::Contacts)["[section]"]);
    EXPECT_TRUE(fs::exists(old + "alice/friends/old.vcf"));

    EXPECT_EQ(0, RunTrash(Kind::Contacts, 5, "30")) << ::testing::PrintToString(Errors(Kind::Contacts));
    trash = TrashEntries(Kind::Contacts);
    EXPECT_EQ("[Trash]", trash["[section]"]);
    EXPECT_EQ("1", trash["Trash.Removed"]);
    EXPECT_EQ("1", trash["Trash.Files"]);
    EXPECT_FALSE(fs::exists(old + "alice/friends"));
    EXPECT_TRUE(fs::exists(old + "alice/work/old.ics"));
    EXPECT_EQ("# file in this folder\taddress on the server\tETag\nalice/work/old.ics\t" + m_server.Url() +
                  "alice/work/old.ics\t\"e\"\n",
              TempDir::ReadFile(old + kServerTrashIndex));
    EXPECT_TRUE(fs::exists(DayFolder() + "alice/friends/ann.vcf"));
    EXPECT_TRUE(fs::exists(other + "x.vcf"));

    EXPECT_EQ(0, RunTrash(Kind::Calendar, 5, "30")) << ::testing::PrintToString(Errors(Kind::Calendar));
    EXPECT_EQ("1", TrashEntries(Kind::Calendar)["Trash.Removed"]);
    EXPECT_FALSE(fs::exists(old));
    // Zero days: today's deletions go too.
    EXPECT_EQ(0, RunTrash(Kind::Contacts, 5, "0"));
    EXPECT_EQ("1", TrashEntries(Kind::Contacts)["Trash.Removed"]);
    EXPECT_EQ("0", TrashEntries(Kind::Contacts)["Trash.Files"]);
    EXPECT_FALSE(fs::exists(DayFolder()));
    EXPECT_TRUE(fs::exists(other + "x.vcf"));
}

// A stop request between two records ends the restore: what was put back is told, the rest is not
// restored and says why.
TEST_F(ServerAccountTest, AStopRequestEndsTheRestoreBetweenRecords)
{
    MakeBook("alice/friends/", "Friends");
    for (const char* uid : {"ann", "bea", "cid"})
        PutItem("alice/friends/" + std::string(uid) + ".vcf", ServerCard(uid, uid));
    DeleteLoaded(Kind::Contacts, {});
    ASSERT_EQ(0, RunTrash(Kind::Contacts, 4));
    const auto listed = Contacts();
    ASSERT_EQ(3u, listed.records.size());
    const std::string first = TrashRoot() + ReferenceOf(listed.records[0]->szHelperText).path;
    ASSERT_TRUE(fs::exists(first));
    MarkEveryLoadedRecord(Kind::Contacts);
    const pid_t pid = Start(Kind::Contacts, WriteParams(Kind::Contacts, 3, {{1001, kPassword}}), 1500);
    ASSERT_GT(pid, 0);
    const bool firstRestored = WaitUntil([&first] { return !fs::exists(first); }, std::chrono::milliseconds(10000));
    CxIniUtil(m_work.path().c_str(), "GAddrData.ini").WriteNumber("Status", "Stop", 1);
    EXPECT_EQ(3, Wait(pid));
    EXPECT_TRUE(firstRestored);
    EXPECT_EQ(
        (std::map<std::string, std::string>{{"Record.1", "Restored"},
                                            {"Record.2", "Not restored: the restore was stopped before it on request"},
                                            {"Record.3", "Not restored: the restore was stopped before it on request"},
                                            {"Result.Count", "3"}}),
        ResultEntries("GAddrResult.ini"));
    EXPECT_EQ("Stopped on request", Status(Kind::Contacts));
    EXPECT_EQ(1u, m_server.Hrefs(kUser, kPassword, "alice/friends/").size());
}

// An index line is a file on this machine too: an address it names outside the account's collections
// as they are now never gets the password or the text.
TEST_F(ServerAccountTest, AKeptItemWhoseAddressIsOutsideTheAccountIsNotRestored)
{
    MakeBook("alice/friends/", "Friends");
    PutItem("alice/friends/ann.vcf", ServerCard("ann", "Ann Ash"));
    DeleteLoaded(Kind::Contacts, {});
    const std::string foreign = "http://127.0.0.1:1/elsewhere/ann.vcf";
    const std::string index = DayFolder() + kServerTrashIndex;
    std::string text = TempDir::ReadFile(index);
    const size_t address = text.find(m_server.Url() + "alice/friends/ann.vcf");
    ASSERT_NE(std::string::npos, address) << text;
    text.replace(address, (m_server.Url() + "alice/friends/ann.vcf").size(), foreign);
    TempDir::WriteFile(index, text);
    ASSERT_EQ(0, RunTrash(Kind::Contacts, 4));
    ASSERT_EQ(1u, Contacts().records.size());
    MarkEveryLoadedRecord(Kind::Contacts);
    EXPECT_EQ(1, RunTrash(Kind::Contacts, 3));
    EXPECT_EQ("Not restored: " + foreign + " is in none of the account's address books now",
              ResultEntries("GAddrResult.ini").at("Record.1"));
    EXPECT_TRUE(m_server.Hrefs(kUser, kPassword, "alice/friends/").empty());
    EXPECT_TRUE(fs::exists(DayFolder() + "alice/friends/ann.vcf"));
}

} // namespace
