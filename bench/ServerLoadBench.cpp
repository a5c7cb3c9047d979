// Times the contacts helper loading an address book of N generated cards from a Radicale server
// started for the purpose on 127.0.0.1, as an account kept on a CardDAV server.
//
//   qosweep_server_bench [N ...]
//
// N defaults to 2000 and 8000. For each size it reports the first load (Radicale builds its cache of
// the items then) and the fastest of three loads after it, with the cards per second. It starts the
// contacts helper built beside it and needs radicale (scripts/setup installs it).

#include "bench/GeneratedCard.h"
#include "common/google/CxGAppParam.h"
#include "common/google/records/CxGDataFile.h"
#include "common/google/records/HelperContract.h"
#include "common/misc/CxFile.h"
#include "common/platform/Platform.h"
#include "tests/support/RadicaleServer.h"
#include "tests/support/TempDir.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kRuns = 3;
constexpr uint32_t kWaitMs = 30 * 60 * 1000;
constexpr const char* kUser = "bench";
constexpr const char* kPassword = "bench password";

bool WriteParams(const std::string& work)
{
    const HelperFiles& files = FilesOf(HelperKind::Contacts);
    const std::vector<std::pair<int32_t, std::string>> values = {{PARAM_EMAIL, "bench@example.com"},
                                                                 {PARAM_PASSWORD, kPassword},
                                                                 {PARAM_DATA_FILE, files.dataFile},
                                                                 {PARAM_WORK_FOLDER, work},
                                                                 {PARAM_OPERATION, "1"},
                                                                 {PARAM_OPTIONS, ""},
                                                                 {PARAM_ERROR_FILE, files.errorFile},
                                                                 {PARAM_STATUS_FILE, files.statusFile},
                                                                 {PARAM_LOG_FOLDER, work},
                                                                 {PARAM_LOG_FILE, "appdebug.log"},
                                                                 {PARAM_LOG_LEVEL, "1"},
                                                                 {PARAM_LOG_ENABLED, "0"}};
    CxGAppParamParser parser;
    for (const auto& [key, value] : values)
        if (!parser.SetValue(key, VT_BSTR, value.c_str()))
            return false;
    return parser.Save((work + files.paramFile).c_str());
}

// The processor time of the children that ended so far, in seconds.
double ChildCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Load
{
    double seconds = -1; // negative when the helper did not end or its data file holds another count
    double helperCpu = 0;
};

// One load: its time, and how much of it the helper itself spent on the processor (the rest is the
// server's and the way between).
Load LoadOnce(const std::string& work, int count)
{
    const HelperFiles& files = FilesOf(HelperKind::Contacts);
    const std::string program = platform::ProgramFolder() + files.program;
    Load load;
    const double cpuBefore = ChildCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    platform::Process process;
    if (!platform::StartProcess(program, {program, work + files.paramFile}, &process))
        return load;
    const bool exited = platform::WaitProcess(&process, kWaitMs) == platform::WaitResult::Exited;
    platform::ReleaseProcess(&process);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    load.helperCpu = ChildCpuSeconds() - cpuBefore;
    CxFile data;
    if (exited && data.Open((work + files.dataFile).c_str(), "rb") &&
        ReadRecordCount(data) == static_cast<uint32_t>(count))
        load.seconds = seconds;
    return load;
}

bool Measure(int count)
{
    RadicaleServer server;
    server.AddUser(kUser, kPassword);
    std::string error;
    if (!server.Start(error) || !server.MakeAddressBook(kUser, kPassword, "bench/contacts/", "Contacts", error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    std::vector<std::pair<std::string, std::string>> cards;
    for (int i = 0; i < count; ++i)
        cards.emplace_back("card-" + std::to_string(i) + ".vcf", bench::Card(i));
    if (!server.SeedItems("bench/contacts/", cards, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    TempDir work;
    TempDir::WriteFile(work.file("accounts.ini"), "[bench@example.com]\nUrl=" + server.Url() + "\nUser=bench\n");
    if (!WriteParams(work.path()))
        return false;
    const Load first = LoadOnce(work.path(), count);
    Load best;
    for (int run = 0; run < kRuns && first.seconds >= 0; ++run) {
        const Load load = LoadOnce(work.path(), count);
        if (load.seconds < 0)
            return false;
        if (best.seconds < 0 || load.seconds < best.seconds)
            best = load;
    }
    if (first.seconds < 0 || best.seconds < 0) {
        std::fprintf(stderr, "the load of %d cards failed; radicale said:\n%s\n", count, server.Log().c_str());
        return false;
    }
    std::printf("%6d contacts from Radicale: first load %.2f s, fastest of %d after it %.2f s (%.0f contacts/s), "
                "of which the helper's own processor time %.2f s\n",
                count, first.seconds, kRuns, best.seconds, count / best.seconds, best.helperCpu);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {2000, 8000};
    for (const int count : sizes)
        if (count <= 0 || !Measure(count))
            return 1;
    return 0;
}
