// Writes the fuzz targets' seed corpora from the demo account: the demo's own files for the text
// readers, and for the binary formats the files the app itself writes from the demo's records.
//   qosweep_fuzz_seeds --write-seeds DIR DEMO   ->   DIR/<target>/...
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGAppBaseUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/google/CxGNoteUtil.h"
#include "common/google/CxGTaskUtil.h"
#include "common/misc/TextBuf.h"
#include "helpers/ical/CalendarItems.h"
#include "helpers/vcard/ContactCard.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A data file seed of a few records: every mutation of a large one costs a load and a save of all.
constexpr int kSomeRecords = 5;

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) {
        std::fprintf(stderr, "Cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

// The item files of a kind folder, sorted so that the seeds come out the same on every run.
std::vector<fs::path> ItemFiles(const fs::path& folder, const char* extension, bool recursive)
{
    std::vector<fs::path> files;
    std::error_code ec;
    auto add = [&](const fs::directory_entry& entry) {
        if (entry.is_regular_file() && entry.path().extension() == extension)
            files.push_back(entry.path());
    };
    if (recursive)
        for (const auto& entry : fs::recursive_directory_iterator(folder, ec))
            add(entry);
    else
        for (const auto& entry : fs::directory_iterator(folder, ec))
            add(entry);
    std::sort(files.begin(), files.end());
    return files;
}

template <class Record>
std::unique_ptr<Record, decltype(&std::free)> Zeroed()
{
    return {static_cast<Record*>(std::calloc(1, sizeof(Record))), &std::free};
}

// The parameter file as the app writes it for a kind (the same entries, in the same order).
class ParamSeed : public CxGAppBaseUtil
{
public:
    void Write(HelperKind kind, const std::string& path)
    {
        UseHelperFiles(kind);
        SetEmail("demo@example.com");
        SetPassword("demo");
        SetWorkFolder("/home/demo/.local/share/tessavo/Qosweep/");
        SetLogFolder("/home/demo/.local/share/tessavo/Qosweep/");
        m_nOperation = kind == HelperKind::Notes ? OP_SAVE : OP_LOAD;
        CxGAppParamParser params;
        AddAccountParams(params, "");
        if (kind == HelperKind::Calendar)
            AddParamText(params, PARAM_CAL_FILE, kCalendarListFile);
        if (kind == HelperKind::Contacts || kind == HelperKind::Calendar)
            AddReportParams(params);
        AddLogParams(params);
        params.Save(path.c_str());
    }
};

class SeedWriter
{
public:
    SeedWriter(const fs::path& out, const fs::path& demo)
        : m_out(out)
        , m_demo(demo)
        , m_work((out / ".work/").string())
    {
        for (const char* target : {"datafile", "param", "ini", "recurrence", "csv", "vcard", "ical", ".work"})
            fs::create_directories(out / target);
    }

    ~SeedWriter()
    {
        std::error_code ec;
        fs::remove_all(m_out / ".work", ec);
    }

    void Contacts()
    {
        CxGAddrUtil some;
        CxGAddrUtil one;
        int index = 0;
        for (const fs::path& file : ItemFiles(m_demo / "contacts", ".vcf", false)) {
            WriteFile(m_out / "vcard" / file.filename(), ReadFile(file));
            auto record = Zeroed<GAddrRecord>();
            std::string problem;
            if (!record || !ReadContactCard(ReadFile(file), *record, problem))
                continue;
            record->nHeadValue1 = ++index;
            CopyText(record->szHelperText, file.filename().c_str());
            if (index <= kSomeRecords)
                some.AddRecord(record.get());
            if (index == 1)
                one.AddRecord(record.get());
        }
        DataFile(some, '\0', "contacts-some");
        DataFile(one, '\0', "contacts-one");
    }

    void Events()
    {
        CxGDateUtil some;
        CxGDateUtil one;
        int index = 0;
        for (const fs::path& file : ItemFiles(m_demo / "calendar", ".ics", true)) {
            WriteFile(m_out / "ical" / ("calendar-" + file.stem().string() + ".ics"), ReadFile(file));
            auto record = Zeroed<GDateRecord>();
            std::string problem;
            if (!record || !ReadEventItem(ReadFile(file), *record, problem))
                continue;
            record->nHeadValue1 = ++index;
            record->ActionCode = 1;
            CopyText(record->szHelperTextA, file.stem().c_str());
            if (index <= kSomeRecords)
                some.AddRecord(record.get());
            if (index == 1)
                one.AddRecord(record.get());
            if (record->szRecurrence[0]) {
                const std::string rule = record->szRecurrence;
                WriteFile(m_out / "recurrence" / file.stem(), rule);
                // The day list the recurrence reader splits as CSV.
                const size_t days = rule.find("BYDAY=");
                if (days != std::string::npos)
                    WriteFile(m_out / "csv" / file.stem(),
                              '\0' + rule.substr(days + 6, rule.find_first_of(";\r\n", days) - days - 6));
            }
        }
        DataFile(some, '\1', "events-some");
        DataFile(one, '\1', "events-one");

        // One calendar definition per calendar folder, as the calendar helper lists them.
        CxGDateUtil calendars;
        for (const char* name : {"", "holidays"}) {
            GCalRecord calendar{};
            CopyText(calendar.szText1, name[0] ? name : "demo@example.com");
            CopyText(calendar.szText2, name[0] ? name : "Calendar");
            CopyText(calendar.szText3, "#0080c0");
            CopyText(calendar.szText4, "owner");
            calendars.AddCalendar(&calendar);
        }
        calendars.SetWorkFolder(m_work.c_str());
        calendars.SaveCalendarFile("seed.dat");
        Seed("datafile", "calendars", '\2');
    }

    template <class Util, class Record>
    void Items(const char* folder, const char* kind, char kindByte,
               bool (*read)(std::string_view, Record&, std::string&))
    {
        Util all;
        int index = 0;
        for (const fs::path& file : ItemFiles(m_demo / folder, ".ics", false)) {
            WriteFile(m_out / "ical" / (std::string(folder) + "-" + file.filename().string()), ReadFile(file));
            auto record = Zeroed<Record>();
            std::string problem;
            if (!record || !read(ReadFile(file), *record, problem))
                continue;
            record->nHeadValue1 = ++index;
            record->ActionCode = 1;
            all.AddRecord(record.get());
        }
        DataFile(all, kindByte, kind);
    }

    void Params()
    {
        const char* names[] = {"contacts", "calendar", "tasks", "notes"};
        for (const HelperKind kind :
             {HelperKind::Contacts, HelperKind::Calendar, HelperKind::Tasks, HelperKind::Notes}) {
            ParamSeed seed;
            seed.Write(kind, (m_out / "param" / names[static_cast<int>(kind)]).string());
        }
    }

    void Ini()
    {
        // Section, key and value, each ended by a zero byte, then the file before the write.
        using namespace std::string_literals;
        WriteFile(m_out / "ini" / "settings",
                  "Qosweep\0LogLevel\0 2 \0"s + "; settings\n[Qosweep]\nAppFlag=1\nLogLevel = 3\n\n[Rule]\nName=1\n");
        WriteFile(m_out / "ini" / "accounts",
                  "demo@example.com\0Password\0demo\0"s + "[demo@example.com]\r\nFolder=demo\r\nPassword=demo\r\n");
        WriteFile(m_out / "ini" / "error",
                  "Error\0Error.2\0Cannot read x.vcf\0"s + "[Error]\nError.1=Stop\nError.Count=1");
        WriteFile(m_out / "csv" / "quoted", "\1\"a\",\"b,c\",\"\",x");
    }

private:
    // Saves the utility's records into the work folder and keeps the file, behind its kind's byte.
    template <class Util>
    void DataFile(Util& util, char kindByte, const char* name)
    {
        util.SetWorkFolder(m_work.c_str());
        util.SaveDataFile("seed.dat");
        Seed("datafile", name, kindByte);
    }

    void Seed(const char* target, const char* name, char kindByte)
    {
        WriteFile(m_out / target / name, std::string(1, kindByte) + ReadFile(m_work + "seed.dat"));
    }

    fs::path m_out;
    fs::path m_demo;
    std::string m_work;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4 || std::string(argv[1]) != "--write-seeds") {
        std::fprintf(stderr, "usage: %s --write-seeds DIR DEMO-FOLDER\n", argv[0]);
        return 2;
    }
    SeedWriter writer(argv[2], argv[3]);
    writer.Contacts();
    writer.Events();
    writer.Items<CxGTaskUtil, GTaskRecord>("tasks", "tasks", '\3', ReadTaskItem);
    writer.Items<CxGNoteUtil, GNoteRecord>("notes", "notes", '\4', ReadNoteItem);
    writer.Params();
    writer.Ini();
    // An empty data file of each kind: a count of 0 and nothing else.
    for (char kind = 0; kind < 5; ++kind)
        WriteFile(fs::path(argv[2]) / "datafile" / ("empty-" + std::to_string(kind)),
                  std::string(1, kind) + std::string(4, '\0'));
    return 0;
}
