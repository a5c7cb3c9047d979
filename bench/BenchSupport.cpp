#include "bench/BenchSupport.h"

#include "common/misc/CxList.h"
#include "common/platform/Platform.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

long PeakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

const BenchKind* FindKind(const std::vector<const BenchKind*>& kinds, const char* name)
{
    for (const BenchKind* kind : kinds)
        if (std::strcmp(kind->name, name) == 0)
            return kind;
    return nullptr;
}

bool IsSize(const std::string& text)
{
    return !text.empty() && text.size() < 9 && text.find_first_not_of("0123456789") == std::string::npos &&
           std::atoi(text.c_str()) > 0;
}

// The files are written by a child, so its buffers never count towards this process's peak.
bool WriteInChild(const BenchKind& kind, const std::string& folder, int count)
{
    const pid_t writer = fork();
    if (writer == 0)
        _exit(kind.WriteFiles(folder, count) ? 0 : 1);
    int status = 0;
    waitpid(writer, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The least a load of count records can cost: allocating and zeroing each record and its common
// record, as the load must. Measured in a child, so this process's heap and peak stay the load's own.
double FloorSeconds(const BenchKind& kind, int count)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        std::vector<void*> blocks;
        blocks.reserve(static_cast<size_t>(count) * kind.recordSizes.size());
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < count; ++i) {
            for (size_t size : kind.recordSizes) {
                void* p = std::malloc(size);
                if (p)
                    std::memset(p, 0, size);
                blocks.push_back(p);
            }
        }
        const double seconds = SecondsSince(start);
        const ssize_t written = write(fds[1], &seconds, sizeof seconds);
        _exit(written == sizeof seconds ? 0 : 1);
    }
    close(fds[1]);
    double seconds = -1;
    if (read(fds[0], &seconds, sizeof seconds) != sizeof seconds)
        seconds = -1;
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return seconds;
}

// The pairwise reference takes minutes beyond this.
constexpr int kMaxPairwise = 25000;

// One size, in this process: generate, load, scan, rescan, the pairwise reference, report one line.
int RunOne(const BenchKind& kind, int count)
{
    const std::string folder =
        (std::filesystem::temp_directory_path() / ("qosweep-bench-" + std::to_string(getpid()) + "/")).string();
    std::filesystem::create_directories(folder);
    if (!WriteInChild(kind, folder, count)) {
        std::fprintf(stderr, "could not write the data files in %s\n", folder.c_str());
        std::filesystem::remove_all(folder);
        return 1;
    }
    const auto fileBytes = std::filesystem::file_size(folder + kind.dataFile);

    const double floorSeconds = FloorSeconds(kind, count);
    std::unique_ptr<BenchSession> session = kind.Open(folder);
    const long baseline = PeakKilobytes();

    auto start = std::chrono::steady_clock::now();
    const bool loaded = session->Load();
    const double loadSeconds = SecondsSince(start);
    const long loadPeak = PeakKilobytes();

    start = std::chrono::steady_clock::now();
    session->Scan();
    const double scanSeconds = SecondsSince(start);
    const long scanPeak = PeakKilobytes();
    const std::vector<const void*> scanned = session->DupList();

    start = std::chrono::steady_clock::now();
    session->Rescan();
    const double rescanSeconds = SecondsSince(start);
    session->Rescan(); // back to the rule the scan ran under

    start = std::chrono::steady_clock::now();
    session->ScanSmart();
    const double smartSeconds = SecondsSince(start);
    const size_t smartDups = session->DupList().size();

    char pairwise[32] = "-";
    const char* same = "-";
    if (count <= kMaxPairwise) {
        start = std::chrono::steady_clock::now();
        session->ScanPairwise();
        std::snprintf(pairwise, sizeof pairwise, "%.3f", SecondsSince(start));
        same = session->DupList() == scanned ? "yes" : "NO";
    }

    std::printf(
        "%7d  %7.1f  %6s  %7.3f  %7.3f  %6.2f  %7.4f  %7.4f  %7.4f  %10s  %4s  %8.1f  %8.1f  %6zu  %7.4f  %6zu\n",
        count, fileBytes / 1048576.0, loaded ? "yes" : "no", loadSeconds, floorSeconds,
        floorSeconds > 0 ? loadSeconds / floorSeconds : 0.0, scanSeconds,
        loadSeconds > 0 ? scanSeconds / loadSeconds : 0.0, rescanSeconds, pairwise, same,
        static_cast<double>(loadPeak - baseline) / count, static_cast<double>(scanPeak - loadPeak) / count,
        scanned.size(), smartSeconds, smartDups);
    session.reset();
    std::filesystem::remove_all(folder);
    return loaded ? 0 : 1;
}

// Each size in a process of its own (this program started again with "--run KIND N"), so one size's
// peak memory does not hide in another's. Returns the number of sizes that failed.
int RunSizes(const BenchKind& kind, const std::vector<std::string>& sizes)
{
    std::printf("%s\n", kind.heading);
    // floor: allocating and zeroing the records the load makes; rescan: after a case change;
    // pairwise: the reference scan, with whether it listed the same records in the same order.
    // Memory is the growth of the process's peak, per record: by the load, then by the scan.
    // smart: the scan under smart matching, and the duplicates it lists.
    std::printf("%7s  %7s  %6s  %7s  %7s  %6s  %7s  %7s  %7s  %10s  %4s  %8s  %8s  %6s  %7s  %6s\n", "N", "file MB",
                "loaded", "load s", "floor s", "/floor", "scan s", "/load", "rescan s", "pairwise s", "same", "load KB",
                "scan KB", "dups", "smart s", "smart");
    std::fflush(stdout);
    const std::string self = platform::ProgramFolder() + "qosweep_bench";
    int failures = 0;
    for (const std::string& size : sizes) {
        const pid_t child = fork();
        if (child == 0) {
            execl(self.c_str(), self.c_str(), "--run", kind.name, size.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        failures += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    return failures;
}

int Usage(const std::vector<const BenchKind*>& kinds)
{
    std::string names;
    for (const BenchKind* kind : kinds)
        names += names.empty() ? kind->name : std::string("|") + kind->name;
    std::fprintf(stderr, "usage: qosweep_bench [%s] [N ...]\n", names.c_str());
    return 2;
}

} // namespace

std::vector<const void*> ListItems(CxList& list)
{
    std::vector<const void*> items;
    for (void* p = list.GetFirst(); p; p = list.GetNext())
        items.push_back(p);
    return items;
}

double RandomTime(std::mt19937& rng)
{
    std::uniform_real_distribution<double> days(42005.0, 46387.0);
    return days(rng);
}

int RunBench(int argc, char** argv, const std::vector<const BenchKind*>& kinds)
{
    if (argc == 4 && std::strcmp(argv[1], "--run") == 0) {
        const BenchKind* kind = FindKind(kinds, argv[2]);
        return kind && IsSize(argv[3]) ? RunOne(*kind, std::atoi(argv[3])) : Usage(kinds);
    }

    std::vector<const BenchKind*> chosen = kinds;
    int first = 1;
    if (argc > 1 && !IsSize(argv[1])) {
        const BenchKind* kind = FindKind(kinds, argv[1]);
        if (!kind)
            return Usage(kinds);
        chosen = {kind};
        first = 2;
    }
    const std::vector<std::string> sizes(argv + first, argv + argc);
    for (const std::string& size : sizes)
        if (!IsSize(size))
            return Usage(kinds);

    int failures = 0;
    for (size_t i = 0; i < chosen.size(); ++i) {
        if (i > 0)
            std::printf("\n");
        failures += RunSizes(*chosen[i], sizes.empty() ? chosen[i]->defaultSizes : sizes);
    }
    return failures == 0 ? 0 : 1;
}
