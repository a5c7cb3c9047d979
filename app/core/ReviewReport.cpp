#include "app/core/ReviewReport.h"

#include "app/core/AppSettings.h"
#include "app/core/DuplicateRule.h"
#include "app/core/ReviewFacts.h"
#include "app/core/ServiceSet.h"
#include "common/google/records/CxGItemRecord.h"
#include "common/misc/CxDateTime.h"
#include "common/platform/Platform.h"

#include <cstring>
#include <filesystem>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

template <size_t N>
std::string Field(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

// One line of the report: a record of a group, what becomes of it, and why.
struct ReportRow
{
    const char* role;
    std::string cells[4]; // name, e-mail, phone, company; or subject, start, end, location
    std::string matchedOn;
    std::string wouldBeLost;
};

struct ReportGroup
{
    std::vector<ReportRow> rows; // the kept record first, when the group has one
};

struct ReportSection
{
    const char* application;
    const char* columns[4];
    bool numbers[4]; // numbers and times, which read badly broken over two lines
    std::vector<ReportGroup> groups;
};

// Roles. A kept record or a record of no group is in the duplicate list only when the user ticked it
// while every record was shown; it is then deleted like any duplicate.
constexpr const char* kRoleKept = "kept";
constexpr const char* kRoleDelete = "delete";
constexpr const char* kRoleUnticked = "keep (unticked)";
constexpr const char* kRoleKeptTicked = "delete (kept record ticked)";
constexpr const char* kRoleNoGroup = "delete (not a duplicate)";

bool Ticked(uint32_t flags)
{
    return (flags & REC_SELECTED) != 0;
}

std::string FirstText(const std::string& primary, const auto& slots)
{
    if (!primary.empty())
        return primary;
    for (const auto& slot : slots)
        if (slot[0] != '\0')
            return Field(slot);
    return {};
}

std::string TimeText(double value)
{
    if (IsZeroTime(value))
        return {};
    char text[32];
    CxDateTime(value).FormatDateTime(text);
    return text;
}

void SetCells(ReportRow& row, const GAddrRecord& r)
{
    row.cells[0] = ContactName(r);
    row.cells[1] = FirstText(Field(r.szEmailPrimary), r.szEmail);
    row.cells[2] = FirstText(Field(r.szPhonePrimary), r.szPhone);
    row.cells[3] = Field(r.szCompanyName);
}

void SetCells(ReportRow& row, const GDateRecord& r)
{
    row.cells[0] = Field(r.szSubject);
    row.cells[1] = TimeText(r.dtStart);
    row.cells[2] = TimeText(r.dtEnd);
    row.cells[3] = Field(r.szLocation);
}

ReviewFacts FactsOf(const GAddrRecord& r)
{
    return ContactReviewFacts(r);
}

ReviewFacts FactsOf(const GDateRecord& r)
{
    return EventReviewFacts(r);
}

template <class Record>
ReportRow RowOf(const Record& r, const char* role, bool duplicate)
{
    ReportRow row{role, {}, {}, {}};
    SetCells(row, r);
    if (duplicate) {
        const ReviewFacts facts = FactsOf(r);
        row.matchedOn = facts.matchedOn;
        row.wouldBeLost = WouldBeLostText(facts);
    }
    return row;
}

template <class Record>
const Record* KeptOf(const Record* r)
{
    return r->pKept && r->pKept != r ? r->pKept : nullptr;
}

// The groups of a duplicate list in the order their first duplicate appears in it. Ticks are read
// from REC_SELECTED, which the review page sets from its rows. The walk goes by the nodes, so the
// list's cursor stays where the page left it.
template <class Record>
std::vector<ReportGroup> GroupsOf(const CxList& list)
{
    std::vector<const Record*> records;
    for (const CxListNode* node = list.GetHeadNode(); node; node = node->pNext)
        if (node->pData)
            records.push_back(static_cast<const Record*>(node->pData));

    std::unordered_map<const Record*, size_t> groupOfKept;
    const std::unordered_set<const Record*> listed(records.begin(), records.end());
    std::vector<ReportGroup> groups;
    const auto groupFor = [&](const Record* kept) -> ReportGroup& {
        auto [it, added] = groupOfKept.try_emplace(kept, groups.size());
        if (added) {
            const bool ticked = listed.count(kept) && Ticked(kept->dwFlags);
            groups.push_back({{RowOf(*kept, ticked ? kRoleKeptTicked : kRoleKept, false)}});
        }
        return groups[it->second];
    };
    for (const Record* r : records)
        if (const Record* kept = KeptOf(r))
            groupFor(kept).rows.push_back(RowOf(*r, Ticked(r->dwFlags) ? kRoleDelete : kRoleUnticked, true));
    // A record in no group makes a group of its own, after the others, in list order.
    for (const Record* r : records)
        if (!KeptOf(r) && !groupOfKept.count(r))
            groups.push_back({{RowOf(*r, Ticked(r->dwFlags) ? kRoleNoGroup : kRoleUnticked, false)}});
    return groups;
}

std::vector<ReportSection> Sections()
{
    std::vector<ReportSection> sections;
    if ((AppSettings.AppFlag & APP_CONTACTS) && g_pAddrDupList)
        sections.push_back({"Contacts",
                            {"Name", "Email", "Phone", "Company"},
                            {false, false, true, false},
                            GroupsOf<GAddrRecord>(*g_pAddrDupList)});
    if ((AppSettings.AppFlag & APP_CALENDAR) && g_pDateDupList)
        sections.push_back({"Calendar",
                            {"Subject", "Start Time", "End Time", "Location"},
                            {false, true, true, false},
                            GroupsOf<GDateRecord>(*g_pDateDupList)});
    return sections;
}

// Record texts are UTF-8 as the helpers deliver them; a malformed byte becomes U+FFFD, so the report
// is valid UTF-8 whatever an account holds.
std::string ValidText(const std::string& text)
{
    if (platform::IsValidUtf8(text))
        return text;
    const std::u16string wide = platform::Utf8ToUtf16(text.c_str());
    std::string out(wide.size() * 3 + 1, '\0');
    out.resize(platform::Utf16ToUtf8(wide.data(), wide.size(), out.data(), out.size()));
    return out;
}

// A spreadsheet opening the file runs a cell starting with "=", "+", "-" or "@" as a formula, and a
// card anyone sent can hold such a name. Those cells get a leading apostrophe, which spreadsheets
// take for "text follows". A number alone ("+49 170 1234567", "-5") is left as it is: as a formula it
// is only arithmetic, and most phone numbers start with "+".
bool RunsAsFormula(std::string_view text)
{
    if (text.empty())
        return false;
    if (text[0] == '=' || text[0] == '@' || text[0] == '\t' || text[0] == '\r')
        return true;
    if (text[0] != '+' && text[0] != '-')
        return false;
    return text.find_first_not_of("0123456789 ()-./", 1) != std::string_view::npos;
}

// RFC 4180: a field holding a comma, a quote or a line break is quoted, its quotes doubled.
std::string CsvField(const std::string& raw)
{
    std::string text = ValidText(raw);
    if (RunsAsFormula(text))
        text.insert(0, 1, '\'');
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + '"';
}

void CsvLine(std::string& out, const std::vector<std::string>& fields)
{
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i)
            out += ',';
        out += CsvField(fields[i]);
    }
    out += "\r\n";
}

std::string CsvReport(const std::vector<ReportSection>& sections)
{
    std::string out;
    CsvLine(out, {"Application", "Group", "Role", "Name / Subject", "Email / Start Time", "Phone / End Time",
                  "Company / Location", "Matched On", "Would Be Lost"});
    for (const ReportSection& section : sections)
        for (size_t g = 0; g < section.groups.size(); ++g)
            for (const ReportRow& row : section.groups[g].rows)
                CsvLine(out, {section.application, std::to_string(g + 1), row.role, row.cells[0], row.cells[1],
                              row.cells[2], row.cells[3], row.matchedOn, row.wouldBeLost});
    return out;
}

std::string Html(const std::string& raw)
{
    std::string out;
    for (char c : ValidText(raw)) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Counted(size_t n, const char* noun)
{
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

const char* RoleClass(const char* role)
{
    if (role == kRoleKept)
        return "kept";
    if (role == kRoleUnticked)
        return "unticked";
    return "delete";
}

constexpr const char* kHtmlHead = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Qosweep duplicate report</title>
<style>
body { font-family: "DejaVu Sans", Verdana, Arial, sans-serif; font-size: 15px; color: #1d1d1d; margin: 24px; }
h1 { font-size: 22px; margin: 0 0 4px 0; }
h2 { font-size: 18px; margin: 28px 0 8px 0; color: #004f80; }
p.summary { margin: 0 0 8px 0; color: #444; }
table { border-collapse: collapse; width: 100%; }
th, td { border: 1px solid #c8c8c8; padding: 5px 8px; text-align: left; vertical-align: top; }
th { background: #0080c0; color: #fff; font-weight: bold; }
tbody:nth-of-type(even) td { background: #f1f5f9; }
tbody tr:first-child td { border-top: 2px solid #7a8a99; }
td.role { white-space: nowrap; font-weight: bold; }
td.number { white-space: nowrap; }
tr.kept td:first-child { border-left: 4px solid #1b6e20; }
tr.delete td:first-child { border-left: 4px solid #b00020; }
tr.unticked td:first-child { border-left: 4px solid #9a9a9a; }
tr.kept td.role { color: #1b6e20; }
tr.kept td.role::before { content: "\2713  "; }
tr.delete td.role { color: #b00020; }
tr.delete td.role::before { content: "\2717  "; }
tr.unticked td.role { color: #555; }
tr.delete td.name { text-decoration: line-through; text-decoration-color: #b00020; }
td.lost { color: #8a4b00; }
p.empty { color: #666; font-style: italic; }
</style>
</head>
<body>
<h1>Duplicates found by Qosweep</h1>
)";

std::string HtmlReport(const std::vector<ReportSection>& sections)
{
    std::string out = kHtmlHead;
    char now[32];
    CxDateTime().FormatDateTime(now);
    out += "<p class=\"summary\">What deleting the ticked records would do, as of " + Html(now) +
           ". Nothing has been deleted yet.</p>\n";
    for (const ReportSection& section : sections) {
        size_t deleted = 0;
        for (const ReportGroup& group : section.groups)
            for (const ReportRow& row : group.rows)
                deleted += RoleClass(row.role) == std::string_view("delete");
        out += "<h2>" + Html(section.application) + "</h2>\n";
        out += "<p class=\"summary\">" + Counted(section.groups.size(), "group") + ", " + Counted(deleted, "record") +
               " to delete</p>\n";
        if (section.groups.empty()) {
            out += "<p class=\"empty\">No duplicates.</p>\n";
            continue;
        }
        out += "<table>\n<thead><tr><th>Group</th><th>Role</th>";
        for (const char* column : section.columns)
            out += "<th>" + Html(column) + "</th>";
        out += "<th>Matched on</th><th>Would be lost</th></tr></thead>\n";
        for (size_t g = 0; g < section.groups.size(); ++g) {
            out += "<tbody>\n";
            for (const ReportRow& row : section.groups[g].rows) {
                out += "<tr class=\"" + std::string(RoleClass(row.role)) + "\"><td>" + std::to_string(g + 1) +
                       "</td><td class=\"role\">" + Html(row.role) + "</td><td class=\"name\">" + Html(row.cells[0]) +
                       "</td>";
                for (int c = 1; c < 4; ++c)
                    out += (section.numbers[c] ? "<td class=\"number\">" : "<td>") + Html(row.cells[c]) + "</td>";
                out +=
                    "<td>" + Html(row.matchedOn) + "</td><td class=\"lost\">" + Html(row.wouldBeLost) + "</td></tr>\n";
            }
            out += "</tbody>\n";
        }
        out += "</table>\n";
    }
    if (sections.empty())
        out += "<p class=\"empty\">No application was loaded.</p>\n";
    out += "</body>\n</html>\n";
    return out;
}

// Why a report could not be written, as far as the file system tells.
std::string WriteFault(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path file(path);
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, ec))
        return "The report could not be written: the folder " + folder.string() + " does not exist.";
    if (fs::is_directory(file, ec))
        return "The report could not be written: " + path + " is a folder.";
    return "The report could not be written to " + path + ": the file or its folder is not writable.";
}

} // namespace

std::string ReviewReportText(ReportFormat format)
{
    const std::vector<ReportSection> sections = Sections();
    return format == ReportFormat::Csv ? CsvReport(sections) : HtmlReport(sections);
}

bool WriteReviewReport(const std::string& path, ReportFormat format, std::string& fault)
{
    fault.clear();
    if (path.empty()) {
        fault = "The report could not be written: no file name was given.";
        return false;
    }
    const std::string text = ReviewReportText(format);
    // The report names the account's people and appointments: it is the user's to read only.
    if (platform::ReplaceFileContents(path.c_str(), text, true))
        return true;
    fault = WriteFault(path);
    return false;
}
