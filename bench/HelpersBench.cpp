// Times the contacts and calendar helpers loading an account folder of N generated item files against
// cat reading the same files, and prints the ratio of the two.
//
//   qosweep_helpers_bench [--keep] [N ...]
//
// N defaults to 25000 vCard files and as many .ics event files. --keep leaves each work folder (with
// its parameter files) in place and names it, for profiling a helper on it.
//
// It starts the helpers built beside it, so build them with it (the bench target depends on them).

#include "bench/GeneratedCard.h"
#include "common/google/CxGAppParam.h"
#include "common/google/records/CxGDataFile.h"
#include "common/google/records/HelperContract.h"
#include "common/misc/CxFile.h"
#include "common/misc/CxIniUtil.h"
#include "common/platform/Platform.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Each measurement runs this often and the fastest run is reported: the machine is shared, and the
// fastest run is the one least disturbed by others.
constexpr int kRuns = 3;
constexpr uint32_t kWaitMs = 30 * 60 * 1000;

// Mostly plain timed events; some all-day, some weekly with an end, some with a reminder.
std::string Event(int index)
{
    const int day = 1 + index % 28;
    const int month = 1 + (index / 28) % 12;
    char times[160];
    if (index % 10 == 0)
        std::snprintf(times, sizeof times, "DTSTART;VALUE=DATE:2024%02d%02d\r\nDTEND;VALUE=DATE:2024%02d%02d\r\n",
                      month, day, month, day + 1);
    else
        std::snprintf(times, sizeof times, "DTSTART:2024%02d%02dT%02d0000Z\r\nDTEND:2024%02d%02dT%02d3000Z\r\n", month,
                      day, 8 + index % 9, month, day, 8 + index % 9);
    const char* rule = index % 7 == 0 ? "RRULE:FREQ=WEEKLY;COUNT=10;BYDAY=MO,WE\r\n" : "";
    const char* alarm =
        index % 3 == 0 ? "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Reminder\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n"
                       : "";
    char text[2048];
    std::snprintf(text, sizeof text,
                  "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Qosweep bench//EN\r\nBEGIN:VEVENT\r\n"
                  "UID:event-%d@example.com\r\nDTSTAMP:20240101T080000Z\r\nCREATED:20231201T090000Z\r\n"
                  "LAST-MODIFIED:20231215T090000Z\r\n%s%sSUMMARY:Project review %d\r\nLOCATION:Room %d\r\n"
                  "DESCRIPTION:Agenda: status\\, risks and the next steps for team %d.\r\nCATEGORIES:Work\r\n"
                  "CLASS:PUBLIC\r\nTRANSP:OPAQUE\r\n%sEND:VEVENT\r\nEND:VCALENDAR\r\n",
                  index, times, rule, index, 100 + index % 300, index % 40, alarm);
    return text;
}

bool WriteText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out.flush());
}

// File names as a synchronised folder has them: random, so the listing's order is not the writing's.
bool WriteItems(const std::string& folder, const char* extension, int count, std::string (*make)(int))
{
    std::mt19937 rng(static_cast<unsigned>(count));
    fs::create_directories(folder);
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "%08x-%06d%s", static_cast<unsigned>(rng()), i, extension);
        if (!WriteText(folder + name, make(i)))
            return false;
    }
    return true;
}

// The parameter file as the app writes it, every value a text.
bool WriteParams(const std::string& work, HelperKind kind)
{
    const HelperFiles& files = FilesOf(kind);
    std::vector<std::pair<int32_t, std::string>> values = {
        {PARAM_EMAIL, "bench@example.com"}, {PARAM_PASSWORD, "bench"}, {PARAM_DATA_FILE, files.dataFile},
        {PARAM_WORK_FOLDER, work},          {PARAM_OPERATION, "1"},    {PARAM_OPTIONS, ""}};
    if (kind == HelperKind::Calendar)
        values.insert(values.end(), {{PARAM_OPTIONS2, ""}, {PARAM_OPTIONS3, ""}, {PARAM_CAL_FILE, kCalendarListFile}});
    values.insert(values.end(), {{PARAM_ERROR_FILE, files.errorFile},
                                 {PARAM_STATUS_FILE, files.statusFile},
                                 {PARAM_LOG_FOLDER, work},
                                 {PARAM_LOG_FILE, "appdebug.log"},
                                 {PARAM_LOG_LEVEL, "1"},
                                 {PARAM_LOG_ENABLED, "0"}});
    CxGAppParamParser parser;
    for (const auto& [key, value] : values)
        if (!parser.SetValue(key, VT_BSTR, value.c_str()))
            return false;
    return parser.Save((work + files.paramFile).c_str());
}

bool RunProgram(const std::string& program, const std::vector<std::string>& args)
{
    platform::Process process;
    if (!platform::StartProcess(program, args, &process))
        return false;
    const bool exited = platform::WaitProcess(&process, kWaitMs) == platform::WaitResult::Exited;
    platform::ReleaseProcess(&process);
    return exited;
}

// The fastest of kRuns runs, in seconds; negative when a run failed or its outcome, checked outside
// the time taken, is not what it should be.
template <class Run, class Check>
double Fastest(Run run, Check check)
{
    double best = -1;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const bool ran = run();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!ran || !check())
            return -1;
        best = best < 0 ? seconds : std::min(best, seconds);
    }
    return best;
}

double CatSeconds(const std::string& folder, const char* extension)
{
    const std::string command =
        "find '" + folder + "' -type f -name '*" + extension + "' -print0 | xargs -0 cat > /dev/null";
    return Fastest([&] { return RunProgram("/bin/sh", {"sh", "-c", command}); }, [] { return true; });
}

// A load that leaves no data file, one with fewer records than files, or any error did not serve the
// account as the generated files ask.
double HelperSeconds(const std::string& work, HelperKind kind, int count)
{
    const HelperFiles& files = FilesOf(kind);
    const std::string program = platform::ProgramFolder() + files.program;
    return Fastest(
        [&] {
            return RunProgram(program, {program, work + files.paramFile});
        },
        [&] {
            CxFile data;
            return data.Open((work + files.dataFile).c_str(), "rb") &&
                   ReadRecordCount(data) == static_cast<uint32_t>(count) &&
                   CxIniUtil(work.c_str(), files.errorFile).ReadNumber("Error", "Error.Count", 0) == 0;
        });
}

struct Row
{
    const char* what;
    double cat;
    double helper;
};

int RunSize(int count, bool keep)
{
    std::random_device seed;
    const std::string work =
        (fs::temp_directory_path() / ("qosweep-helpers-bench-" + std::to_string(seed()) + "/")).string();
    const std::string account = work + "account/";
    bool ok = WriteItems(account + "contacts/", ".vcf", count, bench::Card) &&
              WriteItems(account + "calendar/", ".ics", count, Event) &&
              WriteText(work + "accounts.ini", "[bench@example.com]\nFolder=account\nPassword=bench\n") &&
              WriteParams(work, HelperKind::Contacts) && WriteParams(work, HelperKind::Calendar);
    if (!ok) {
        std::fprintf(stderr, "could not write the account in %s\n", work.c_str());
        fs::remove_all(work);
        return 1;
    }
    // One read of everything first, so every measurement finds the files in the page cache.
    CatSeconds(account, "");
    const Row rows[] = {
        {"contacts", CatSeconds(account + "contacts/", ".vcf"), HelperSeconds(work, HelperKind::Contacts, count)},
        {"events", CatSeconds(account + "calendar/", ".ics"), HelperSeconds(work, HelperKind::Calendar, count)},
    };
    int failures = 0;
    for (const Row& row : rows) {
        if (row.cat <= 0 || row.helper <= 0) {
            std::printf("%7d  %-8s  %s\n", count, row.what, row.helper <= 0 ? "helper load failed" : "cat failed");
            ++failures;
            continue;
        }
        std::printf("%7d  %-8s  %8.3f  %9.3f  %10.2f\n", count, row.what, row.cat, row.helper, row.helper / row.cat);
    }
    if (keep)
        std::printf("kept %s\n", work.c_str());
    else
        fs::remove_all(work);
    std::fflush(stdout);
    return failures;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<int> sizes;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--keep") {
            keep = true;
            continue;
        }
        const int size = std::atoi(argv[i]);
        if (size <= 0) {
            std::fprintf(stderr, "usage: qosweep_helpers_bench [--keep] [N ...]\n");
            return 2;
        }
        sizes.push_back(size);
    }
    if (sizes.empty())
        sizes.push_back(25000);
    std::printf("fastest of %d runs, files in the page cache\n", kRuns);
    std::printf("%7s  %-8s  %8s  %9s  %10s\n", "N", "files", "cat s", "helper s", "helper/cat");
    int failures = 0;
    for (const int size : sizes)
        failures += RunSize(size, keep);
    return failures == 0 ? 0 : 1;
}
