// Stand-in helper program: records what it was given, then follows "<work>HelperScript.txt".
// Usage: qosweep_test_helper <parameter file>
// Script lines: "sleep MS", "status TEXT", "error TEXT", "running INI", "wait-stop INI MS",
// "data FILE" and "calendars FILE" (copied over the data file or the calendar file the parameters
// name), "data-if NAME FILE" (as "data FILE" when the parameters name NAME as the data file, so one
// script serves several kinds), "keep-save NAME FILE" (on a save whose data file is NAME, a copy of
// what it was handed goes to FILE), "pid FILE", "exit CODE", "die" (killed on the spot, leaving
// whatever it has not written yet unwritten), "no-result", "result FILE" (FILE copied over the
// result file) and "result-cut BYTES" (the first BYTES bytes of the report it would write, written
// straight to the result file as a helper killed while writing it leaves them; no report after).
// With QOSWEEP_TEST_HELPER_FILE_LIMIT set to a number of bytes, the stand-in instead becomes the real
// helper of its name (from its own folder, same arguments) with every file it writes held to that
// size, as on a disk that is full: the limit is set and SIGXFSZ ignored before the exec.
// A save that ends reports in its kind's result file, unless told otherwise: every record marked in
// the data file it was handed as deleted, or, when the script reported an error, as not deleted
// for the last error, as a helper refusing the whole save would.
// The trash operations report the same way. A restore (3): every marked record "Restored", but
// "refuse N REASON" makes record N "Not restored: REASON" and "restore-note N NOTE" makes it
// "Restored: NOTE"; an error refuses them all. A listing (4): the section "Trash" with one record
// per record of the data file after the script, its deletion times given in order by "trash-time
// TEXT" lines (the last one for any further record), the size by "trash-size BYTES FILES"; an error
// leaves no data file and the error as "Result.Error". Emptying (5): "Trash.Removed" from
// "trash-removed N" and the size as above.
#include "common/google/records/CxGDataFile.h"
#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"
#include "common/google/records/GNoteRecord.h"
#include "common/google/records/GTaskRecord.h"
#include "common/google/records/HelperContract.h"
#include "common/misc/CxIniUtil.h"
#include "common/platform/Platform.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int32_t kMaxTextLength = 1 << 20;

struct Entry
{
    int32_t key = 0;
    int32_t type = 0;
    std::string value; // decimal for numbers, the bytes for texts, empty for other types
};

bool ReadInt32(std::istream& in, int32_t& value)
{
    unsigned char b[4];
    if (!in.read(reinterpret_cast<char*>(b), 4))
        return false;
    value = static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
    return true;
}

// Reads the whole parameter file by its layout; false on anything missing or out of bounds.
bool ReadParams(const char* path, std::vector<Entry>& entries)
{
    std::ifstream in(path, std::ios::binary);
    int32_t count = 0;
    if (!in || !ReadInt32(in, count) || count < 0 || count > 100000)
        return false;
    for (int32_t i = 0; i < count; ++i) {
        Entry e;
        if (!ReadInt32(in, e.key) || !ReadInt32(in, e.type))
            return false;
        if (e.type == 3 || e.type == 5 || e.type == 11) {
            int32_t n = 0;
            if (!ReadInt32(in, n))
                return false;
            e.value = std::to_string(n);
        } else if (e.type == 8) {
            int32_t len = 0;
            if (!ReadInt32(in, len) || len < 0 || len > kMaxTextLength)
                return false;
            e.value.resize(static_cast<size_t>(len));
            if (!in.read(e.value.data(), len))
                return false;
        }
        entries.push_back(std::move(e));
    }
    return true;
}

void AppendLine(const std::string& path, const std::string& line)
{
    std::ofstream(path, std::ios::binary | std::ios::app) << line << "\n";
}

template <class Record>
std::vector<uint32_t> MarkedIn(const std::string& path, void (*fields)(CxGFieldReader&, Record&))
{
    std::vector<uint32_t> marked;
    CxFile file;
    if (!file.Open(path.c_str(), "rb"))
        return marked;
    uint32_t position = 0;
    ReadDataRecords<Record>(
        file, ReadRecordCount(file), [fields](CxFile& in, Record* record) { ReadFields(in, record, fields); },
        [&](const Record* record) {
            ++position;
            if (record->ActionCode == ACTION_DELETE)
                marked.push_back(position);
        });
    return marked;
}

// The kind whose data file the parameters name, and the positions of the records it marks.
const HelperFiles* SaveKindOf(const std::string& work, const std::string& dataFile, std::vector<uint32_t>& marked)
{
    const std::string path = work + dataFile;
    if (dataFile == FilesOf(HelperKind::Contacts).dataFile)
        marked = MarkedIn<GAddrRecord>(path, GAddrRecordFields<CxGFieldReader, GAddrRecord>);
    else if (dataFile == FilesOf(HelperKind::Calendar).dataFile)
        marked = MarkedIn<GDateRecord>(path, GDateRecordFields<CxGFieldReader, GDateRecord>);
    else if (dataFile == FilesOf(HelperKind::Tasks).dataFile)
        marked = MarkedIn<GTaskRecord>(path, GTaskRecordFields<CxGFieldReader, GTaskRecord>);
    else if (dataFile == FilesOf(HelperKind::Notes).dataFile)
        marked = MarkedIn<GNoteRecord>(path, GNoteRecordFields<CxGFieldReader, GNoteRecord>);
    else
        return nullptr;
    for (const HelperFiles& files : kHelperFiles)
        if (dataFile == files.dataFile)
            return &files;
    return nullptr;
}

std::string ResultText(const std::vector<uint32_t>& marked, const std::string& lastError)
{
    std::string text =
        std::string("[") + kResultSection + "]\r\n" + kResultCountKey + "=" + std::to_string(marked.size()) + "\r\n";
    for (const uint32_t position : marked)
        text += kResultRecordKey + std::to_string(position) + "=" +
                (lastError.empty() ? std::string(kResultDeleted) : kResultNotDeleted + lastError) + "\r\n";
    return text;
}

// What a script tells of the trash for the trash operations' reports.
struct TrashScript
{
    std::vector<std::string> times;
    std::string bytes = "0";
    std::string files = "0";
    std::string removed = "0";
    std::map<uint32_t, std::string> verdicts; // restore: record position -> verdict
};

std::string FailedText(const std::string& lastError)
{
    return std::string("[") + kResultSection + "]\r\n" + kResultErrorKey + "=" + lastError + "\r\n";
}

std::string RestoreText(const std::vector<uint32_t>& marked, const TrashScript& trash, const std::string& lastError)
{
    std::string text =
        std::string("[") + kResultSection + "]\r\n" + kResultCountKey + "=" + std::to_string(marked.size()) + "\r\n";
    for (const uint32_t position : marked) {
        const auto verdict = trash.verdicts.find(position);
        text += kResultRecordKey + std::to_string(position) + "=" +
                (!lastError.empty()                ? kResultNotRestored + lastError
                 : verdict != trash.verdicts.end() ? verdict->second
                                                   : std::string(kResultRestored)) +
                "\r\n";
    }
    return text;
}

uint32_t RecordsIn(const std::string& path)
{
    CxFile file;
    return file.Open(path.c_str(), "rb") ? ReadRecordCount(file) : 0;
}

std::string ListingText(const std::string& dataPath, const TrashScript& trash, const std::string& lastError)
{
    if (!lastError.empty())
        return FailedText(lastError);
    const uint32_t count = RecordsIn(dataPath);
    std::string text = std::string("[") + kTrashSection + "]\r\n" + kTrashCountKey + "=" + std::to_string(count) +
                       "\r\n" + kTrashBytesKey + "=" + trash.bytes + "\r\n" + kTrashFilesKey + "=" + trash.files +
                       "\r\n";
    for (uint32_t i = 0; i < count; ++i) {
        const std::string time =
            trash.times.empty() ? "2026-12-11 10:00:00" : trash.times[std::min<size_t>(i, trash.times.size() - 1)];
        text += kResultRecordKey + std::to_string(i + 1) + "=" + time + "\r\n";
    }
    return text;
}

std::string EmptyingText(const TrashScript& trash, const std::string& lastError)
{
    if (!lastError.empty())
        return FailedText(lastError);
    return std::string("[") + kTrashSection + "]\r\n" + kTrashRemovedKey + "=" + trash.removed + "\r\n" +
           kTrashBytesKey + "=" + trash.bytes + "\r\n" + kTrashFilesKey + "=" + trash.files + "\r\n";
}

// Execs the real helper named by argv[0] under the file size limit the environment asks for; returns
// only when there is no such request, or with the exit code of a failure to start it.
int ExecUnderFileLimit(char** argv)
{
    const char* limit = std::getenv("QOSWEEP_TEST_HELPER_FILE_LIMIT");
    if (!limit)
        return -1;
    rlimit lowered{};
    ::getrlimit(RLIMIT_FSIZE, &lowered);
    lowered.rlim_cur = static_cast<rlim_t>(std::strtoull(limit, nullptr, 10));
    if (::setrlimit(RLIMIT_FSIZE, &lowered) != 0)
        return 4;
    // An ignored signal stays ignored across the exec: writes past the limit fail with EFBIG instead
    // of ending the helper.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::string program = platform::ProgramFolder() + std::filesystem::path(argv[0]).filename().string();
    ::execv(program.c_str(), argv);
    return 4;
}

// "word rest of line" split at the first blank.
std::string Argument(const std::string& line, std::string& command)
{
    const size_t blank = line.find(' ');
    command = line.substr(0, blank);
    return blank == std::string::npos ? std::string() : line.substr(blank + 1);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 1) {
        const int failed = ExecUnderFileLimit(argv);
        if (failed >= 0)
            return failed;
    }
    std::vector<Entry> entries;
    if (argc < 2 || !ReadParams(argv[1], entries))
        return 3;
    std::map<int32_t, std::string> values;
    for (const Entry& e : entries)
        values.emplace(e.key, e.value);
    const std::string work = values[1003];
    // Without a work folder every file below would land in the program folder.
    if (work.empty())
        return 3;

    std::ostringstream seen;
    for (const Entry& e : entries)
        seen << e.key << '|' << e.type << '|' << e.value << "\n";
    std::ofstream(work + "HelperSeen.txt", std::ios::binary | std::ios::trunc) << seen.str();
    AppendLine(work + "HelperRuns.txt",
               "op=" + values[1005] + " data=" + values[1002] + " cwd=" + std::filesystem::current_path().string());

    std::vector<uint32_t> marked;
    const std::string op = values[1005];
    const bool trashRun = op == "3" || op == "4" || op == "5";
    const HelperFiles* saveKind = op == "2" || trashRun ? SaveKindOf(work, values[1002], marked) : nullptr;
    const std::string resultPath = saveKind ? work + saveKind->resultFile : std::string();
    if (saveKind)
        platform::DeleteFile(resultPath.c_str());
    bool reports = saveKind != nullptr;
    std::string lastError;
    TrashScript trash;
    const auto reportText = [&] {
        if (op == "3")
            return RestoreText(marked, trash, lastError);
        if (op == "4")
            return ListingText(work + values[1002], trash, lastError);
        if (op == "5")
            return EmptyingText(trash, lastError);
        return ResultText(marked, lastError);
    };
    const auto report = [&] {
        if (op == "4" && !lastError.empty())
            platform::DeleteFile((work + values[1002]).c_str());
        if (reports)
            platform::ReplaceFileContents(resultPath.c_str(), reportText());
    };

    std::ifstream script(work + "HelperScript.txt", std::ios::binary);
    std::string line;
    while (std::getline(script, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string command;
        const std::string arg = Argument(line, command);
        if (command == "sleep") {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(arg.c_str())));
        } else if (command == "status" && !values[1010].empty()) {
            platform::ReplaceFileContents((work + values[1010]).c_str(), arg + "\r\n");
        } else if (command == "error" && !values[1009].empty()) {
            CxIniUtil ini(work.c_str(), values[1009].c_str());
            const int n = ini.ReadNumber("Error", "Error.Count", 0) + 1;
            ini.WriteEntry("Error", ("Error." + std::to_string(n)).c_str(), arg.c_str());
            ini.WriteNumber("Error", "Error.Count", n);
            lastError = arg;
        } else if (command == "running" && !arg.empty()) {
            CxIniUtil(work.c_str(), arg.c_str()).WriteNumber("Status", "Running", 1);
        } else if (command == "wait-stop") {
            std::string iniName;
            const std::string limit = Argument(arg, iniName);
            if (iniName.empty())
                continue;
            CxIniUtil ini(work.c_str(), iniName.c_str());
            const auto deadline =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(std::atoi(limit.c_str()));
            bool stopped = false;
            while (!(stopped = ini.ReadNumber("Status", "Stop", 0) == 1) && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ini.WriteNumber("Status", "Running", 0);
            AppendLine(work + "HelperRuns.txt", stopped ? "stopped" : "not-stopped");
        } else if (command == "data" && !arg.empty() && !values[1002].empty()) {
            platform::CopyFile((work + arg).c_str(), (work + values[1002]).c_str(), true);
        } else if (command == "data-if") {
            std::string name;
            const std::string source = Argument(arg, name);
            if (!source.empty() && name == values[1002])
                platform::CopyFile((work + source).c_str(), (work + name).c_str(), true);
        } else if (command == "keep-save") {
            std::string name;
            const std::string copy = Argument(arg, name);
            if (!copy.empty() && name == values[1002] && (op == "2" || op == "3"))
                platform::CopyFile((work + name).c_str(), (work + copy).c_str(), true);
        } else if (command == "calendars" && !arg.empty() && !values[1008].empty()) {
            platform::CopyFile((work + arg).c_str(), (work + values[1008]).c_str(), true);
        } else if (command == "pid" && !arg.empty()) {
            // Lets a test follow the process after the runner has stopped waiting for it.
            std::ofstream(work + arg, std::ios::binary | std::ios::trunc) << ::getpid();
        } else if (command == "trash-time") {
            trash.times.push_back(arg);
        } else if (command == "trash-size") {
            std::istringstream(arg) >> trash.bytes >> trash.files;
        } else if (command == "trash-removed") {
            trash.removed = arg;
        } else if (command == "refuse" || command == "restore-note") {
            std::string position;
            const std::string text = Argument(arg, position);
            trash.verdicts[static_cast<uint32_t>(std::atoi(position.c_str()))] =
                (command == "refuse" ? kResultNotRestored : std::string(kResultRestored) + ": ") + text;
        } else if (command == "no-result") {
            reports = false;
        } else if (command == "result" && !arg.empty() && saveKind) {
            platform::CopyFile((work + arg).c_str(), resultPath.c_str(), true);
            reports = false;
        } else if (command == "result-cut" && saveKind) {
            const std::string text = reportText();
            const size_t bytes = std::min<size_t>(std::strtoull(arg.c_str(), nullptr, 10), text.size());
            std::ofstream(resultPath, std::ios::binary | std::ios::trunc)
                .write(text.data(), static_cast<std::streamsize>(bytes));
            reports = false;
        } else if (command == "die") {
            ::kill(::getpid(), SIGKILL);
        } else if (command == "exit") {
            report();
            return std::atoi(arg.c_str());
        }
    }
    report();
    return 0;
}
