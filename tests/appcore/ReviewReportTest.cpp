#include "app/core/ReviewReport.h"

#include "app/core/AppSettings.h"
#include "app/core/ServiceSet.h"
#include "common/google/records/CxGItemRecord.h"
#include "common/misc/TextBuf.h"
#include "tests/appcore/ReviewReportFixture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using Table = std::vector<std::vector<std::string>>;

// RFC 4180 read back strictly: CRLF ends a record, a quoted field may hold commas, doubled quotes and
// line breaks, and a quote inside an unquoted field or text after a closing quote is an error.
bool ReadCsv(const std::string& text, Table& table)
{
    table.clear();
    std::vector<std::string> record;
    std::string field;
    size_t i = 0;
    while (i < text.size()) {
        bool quoted = text[i] == '"';
        if (quoted) {
            for (++i;; ++i) {
                if (i >= text.size())
                    return false;
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field += '"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i];
            }
        } else {
            while (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
                if (text[i] == '"')
                    return false;
                field += text[i++];
            }
        }
        record.push_back(std::move(field));
        field.clear();
        if (i < text.size() && text[i] == ',') {
            ++i;
            continue;
        }
        if (text.compare(i, 2, "\r\n") != 0)
            return false;
        i += 2;
        table.push_back(std::move(record));
        record.clear();
    }
    return true;
}

class ReviewReportTest : public ReviewReportFixture
{};

TEST_F(ReviewReportTest, CsvHoldsEveryRecordOfEveryGroupAndSurvivesTheRoundTrip)
{
    AddFixtureGroups();
    Table table;
    ASSERT_TRUE(ReadCsv(ReviewReportText(ReportFormat::Csv), table));
    const Table expected = {
        {"Application", "Group", "Role", "Name / Subject", "Email / Start Time", "Phone / End Time",
         "Company / Location", "Matched On", "Would Be Lost"},
        {"Contacts", "1", "kept", "Berger, Anna", "anna@example.org", "", "Müller & Söhne, \"Bau\"", "", ""},
        {"Contacts", "1", "delete", "Berger, Anna", "anna@example.org", "+49 170 1234567", "", "Display Name, Email",
         "Phone +49 170 1234567"},
        {"Contacts", "1", "keep (unticked)", "Berger, Anna", "anna@example.org", "", "", "Display Name, Email",
         "Note Line one Line two"},
        {"Contacts", "2", "delete (kept record ticked)", kTagName, "x@example.org", "", "", "", ""},
        {"Contacts", "2", "delete", kTagName, "x@example.org", "", "", "Display Name, Email", ""},
        {"Contacts", "3", "delete (not a duplicate)", "Zoë\nÅström", "", "", "", "", ""},
        {"Calendar", "1", "kept", "Team sync", "07/10/2024 10:00:00", "07/10/2024 11:00:00", "Room 4.12", "", ""},
        {"Calendar", "1", "delete", "Team sync", "07/10/2024 10:00:00", "07/10/2024 11:00:00", "",
         "Subject, Start Time, End Time, All Day Event", ""},
    };
    EXPECT_EQ(expected, table);
}

// What a spreadsheet would run as a formula is written as text; a phone number or a note stays as
// it is.
TEST_F(ReviewReportTest, CsvCellsThatASpreadsheetWouldRunAreWrittenAsText)
{
    const struct
    {
        const char* name;
        const char* written;
    } cases[] = {
        {"=HYPERLINK(\"http://x\")", "'=HYPERLINK(\"http://x\")"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"+cmd|' /C calc'!A0", "'+cmd|' /C calc'!A0"},
        {"-2+3 and more", "'-2+3 and more"},
        {"+49 (170) 123-45.67", "+49 (170) 123-45.67"},
        {"-5", "-5"},
        {"Anna = Ann", "Anna = Ann"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CxList contacts;
        g_pAddrDupList = &contacts;
        GAddrRecord* kept = NewContact(c.name, "a@example.org");
        List(contacts, kept, static_cast<GAddrRecord*>(nullptr), false);
        List(contacts, NewContact(c.name, "a@example.org"), kept, true);
        AppSettings.AppFlag = APP_CONTACTS;
        Table table;
        ASSERT_TRUE(ReadCsv(ReviewReportText(ReportFormat::Csv), table));
        ASSERT_EQ(3u, table.size());
        EXPECT_EQ(c.written, table[1][3]);
        EXPECT_EQ(c.written, table[2][3]);
        contacts.RemoveAll(false);
        g_pAddrDupList = nullptr;
    }
}

TEST_F(ReviewReportTest, ReaderRejectsWhatRfc4180Forbids)
{
    Table table;
    EXPECT_TRUE(ReadCsv("a,\"b,\"\"c\"\"\r\nd\"\r\n", table));
    EXPECT_EQ((Table{{"a", "b,\"c\"\r\nd"}}), table);
    EXPECT_FALSE(ReadCsv("a,b\n", table));
    EXPECT_FALSE(ReadCsv("a\"b\r\n", table));
    EXPECT_FALSE(ReadCsv("\"a\"b\r\n", table));
    EXPECT_FALSE(ReadCsv("\"a\r\n", table));
}

TEST_F(ReviewReportTest, OnlyTheChosenApplicationsAreReported)
{
    AddFixtureGroups();
    AppSettings.AppFlag = APP_CALENDAR;
    Table table;
    ASSERT_TRUE(ReadCsv(ReviewReportText(ReportFormat::Csv), table));
    ASSERT_EQ(3u, table.size());
    EXPECT_EQ("Calendar", table[1][0]);
    g_pDateDupList = nullptr;
    ASSERT_TRUE(ReadCsv(ReviewReportText(ReportFormat::Csv), table));
    EXPECT_EQ(1u, table.size()); // the header alone
}

// The review page walks its lists with their cursors; a report written between two steps of a walk
// leaves it where it was.
TEST_F(ReviewReportTest, ListCursorsStayWhereTheyWere)
{
    AddFixtureGroups();
    m_addrList.GetFirst();
    m_addrList.GetNext();
    void* third = m_addrList.GetNext();
    m_addrList.GetFirst();
    m_addrList.GetNext();
    ReviewReportText(ReportFormat::Html);
    EXPECT_EQ(third, m_addrList.GetNext());
}

TEST_F(ReviewReportTest, MalformedBytesBecomeReplacementCharacters)
{
    AddFixtureGroups();
    CopyText(m_contacts[0]->szCompanyName, "Bad \xFF byte");
    const std::string csv = ReviewReportText(ReportFormat::Csv);
    EXPECT_NE(std::string::npos, csv.find("Bad \xEF\xBF\xBD byte"));
    EXPECT_EQ(std::string::npos, csv.find('\xFF'));
    EXPECT_NE(std::string::npos, ReviewReportText(ReportFormat::Html).find("Bad \xEF\xBF\xBD byte"));
}

TEST_F(ReviewReportTest, HtmlIsOneSelfContainedPageWithEveryTextEscaped)
{
    AddFixtureGroups();
    const std::string html = ReviewReportText(ReportFormat::Html);
    EXPECT_EQ(0u, html.find("<!DOCTYPE html>"));
    EXPECT_NE(std::string::npos, html.find("<meta charset=\"utf-8\">"));
    EXPECT_NE(std::string::npos, html.find("&lt;b&gt;&amp;&quot;x&quot;"));
    EXPECT_EQ(std::string::npos, html.find(kTagName));
    EXPECT_NE(std::string::npos, html.find("M\xC3\xBCller &amp; S\xC3\xB6hne, &quot;Bau&quot;"));
    for (const char* outside : {"<script", "<link", "src=", "href=", "url(", "@import", "http:", "https:"}) {
        SCOPED_TRACE(outside);
        EXPECT_EQ(std::string::npos, html.find(outside));
    }
    // A table per application, a row group per group, and a row per record.
    size_t tables = 0, rows = 0;
    for (size_t at = 0; (at = html.find("<table>", at)) != std::string::npos; ++at)
        ++tables;
    for (size_t at = 0; (at = html.find("<tr class=", at)) != std::string::npos; ++at)
        ++rows;
    EXPECT_EQ(2u, tables);
    EXPECT_EQ(8u, rows);
}

TEST_F(ReviewReportTest, WritingReplacesTheFileWholeForItsOwnerOnly)
{
    AddFixtureGroups();
    TempDir dir;
    const std::string path = dir.file("report.csv");
    TempDir::WriteFile(path, "an older, longer report that must be gone without a trace\n");
    std::string fault = "stale";
    ASSERT_TRUE(WriteReviewReport(path, ReportFormat::Csv, fault)) << fault;
    EXPECT_EQ("", fault);
    EXPECT_EQ(ReviewReportText(ReportFormat::Csv), TempDir::ReadFile(path));
    const auto perms = std::filesystem::status(path).permissions();
    EXPECT_EQ(std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, perms);
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(1u, files); // no temporary file left beside it
}

TEST_F(ReviewReportTest, WriteFailuresSayWhyAndLeaveNothingBehind)
{
    AddFixtureGroups();
    TempDir dir;
    struct Case
    {
        const char* what;
        std::string path;
        const char* says;
    };
    const Case cases[] = {
        {"no file name", "", "no file name"},
        {"a folder that does not exist", dir.file("missing/report.html"), "does not exist"},
        {"a folder in place of the file", dir.path() + ".", "is a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string fault;
        EXPECT_FALSE(WriteReviewReport(c.path, ReportFormat::Html, fault));
        EXPECT_NE(std::string::npos, fault.find(c.says)) << fault;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
}

} // namespace
