// Loads and scans generated contacts data files of several sizes and reports, for each size, the
// time and the peak resident memory of the load and of the duplicate scan.
//
//   qosweep_bench [N ...]     default sizes 1000 5000 25000
//
// Each size runs in a process of its own (this program started again with "--run N"), so one size's
// peak memory does not hide in another's.

#include "app/Apputil.h"
#include "common/google/CxGContact.h"
#include "common/google/CxGDataFile.h"
#include "common/platform/Platform.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const kFirst[] = {"James", "Mary",  "Robert", "Patricia", "John",   "Jennifer", "Michael", "Linda",
                              "David", "Elena", "Yusuf",  "Mei",      "Carlos", "Aisha",    "Pieter",  "Ingrid",
                              "Omar",  "Sofia", "Kenji",  "Fatima",   "Lucas",  "Chloe",    "Ahmed",   "Nora"};
const char* const kLast[] = {"Smith",  "Johnson",  "Williams", "Brown",   "Garcia",  "Miller", "Davis",   "Martinez",
                             "Nguyen", "Kowalski", "Okafor",   "Tanaka",  "Jensen",  "Rossi",  "Haddad",  "Silva",
                             "Novak",  "Larsen",   "Moreau",   "Schmidt", "Ivanova", "Park",   "Fischer", "Dubois"};
const char* const kCompany[] = {"Northwind Traders", "Blue Harbor Ltd",  "Acorn Labs",
                                "Riverside Clinic",  "Summit Logistics", "Pine & Partners"};
const char* const kTitle[] = {"Sales Manager", "Engineer", "Nurse", "Accountant", "Designer", "Teacher"};
const char* const kCity[] = {"Springfield", "Riverton", "Lakeside", "Hillview", "Maplewood", "Fairmont"};
const char* const kDomain[] = {"example.com", "example.org", "example.net"};

// Days since 30 Dec 1899 for a date in 2015-2026 with a time of day.
double RandomTime(std::mt19937& rng)
{
    std::uniform_real_distribution<double> days(42005.0, 46387.0);
    return days(rng);
}

// A contact with the fields a real address book fills; index makes its name and e-mail unique.
void FillContact(GAddrRecord& r, int index, std::mt19937& rng)
{
    std::memset(&r, 0, sizeof r);
    const char* first = kFirst[index % std::size(kFirst)];
    const char* last = kLast[(index / std::size(kFirst)) % std::size(kLast)];
    r.nHeadValue1 = index;
    FormatText(r.szHelperText, "contacts/%08x-%04x.vcf", static_cast<unsigned>(rng()), index & 0xffff);
    CopyText(r.szFirstName, first);
    CopyText(r.szLastName, last);
    FormatText(r.szDisplayName, "%s %s %d", first, last, index);
    CopyText(r.szCompanyName, kCompany[index % std::size(kCompany)]);
    CopyText(r.szJobTitle, kTitle[index % std::size(kTitle)]);
    r.nEmailType[0] = 2;
    FormatText(r.szEmail[0], "%s.%s%d@%s", first, last, index, kDomain[index % std::size(kDomain)]);
    CopyText(r.szEmailPrimary, r.szEmail[0]);
    if (index % 3 == 0) {
        r.nEmailType[1] = 1;
        FormatText(r.szEmail[1], "%c%s%d@mail.example.com", first[0], last, index);
    }
    r.nPhoneType[0] = 3;
    FormatText(r.szPhone[0], "+1 555 %03d %04d", index % 1000, static_cast<int>(rng() % 10000));
    CopyText(r.szPhonePrimary, r.szPhone[0]);
    r.nAddressType[0] = 1;
    FormatText(r.szStreet[0], "%d Elm Street", 1 + index % 400);
    CopyText(r.szCity[0], kCity[index % std::size(kCity)]);
    CopyText(r.szPostal[0], "12345");
    CopyText(r.szCountry[0], "USA");
    FormatText(r.szAddress[0], "%s\n%s 12345\nUSA", r.szStreet[0], r.szCity[0]);
    if (index % 4 == 0) {
        r.nDateType[0] = 1;
        r.dtDate[0] = 25000.0 + index % 15000;
    }
    FormatText(r.szNote, "Met at the %d conference; prefers e-mail.", 2010 + index % 15);
    CopyText(r.szCategory, "My Contacts");
    r.dtCreated = RandomTime(rng);
    r.dtModified = r.dtCreated + 1.0;
}

// Writes count contacts, every tenth one a copy of an earlier contact under the default rule (same
// name and e-mail addresses, its own phone and times).
bool WriteContactsFile(const std::string& path, int count)
{
    CxFile file;
    if (!file.Open(path.c_str(), "wb") || !file.WriteInt(count))
        return false;
    std::mt19937 rng(20261210);
    std::vector<char> block(sizeof(GAddrRecord));
    auto& record = *reinterpret_cast<GAddrRecord*>(block.data());
    CxGFieldWriter writer(file);
    for (int i = 0; i < count; ++i) {
        const bool duplicate = i % 10 == 9;
        int source = i;
        if (duplicate) {
            // An earlier original, never a position that itself holds a copy.
            source = static_cast<int>(rng() % static_cast<unsigned>(i));
            source -= source % 10 == 9 ? 1 : 0;
        }
        FillContact(record, source, rng);
        if (duplicate) {
            FormatText(record.szPhone[0], "+1 555 777 %04d", i % 10000);
            record.dtModified = RandomTime(rng);
        }
        GAddrRecordFields(writer, record);
    }
    return writer.Ok() && file.CloseFlushed();
}

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

// One size, in this process: generate, load, scan, report one line.
int RunOne(int count)
{
    const std::string folder =
        (std::filesystem::temp_directory_path() / ("qosweep-bench-" + std::to_string(getpid()) + "/")).string();
    std::filesystem::create_directories(folder);
    // The file is written by a child, so its buffers never count towards this process's peak.
    const pid_t writer = fork();
    if (writer == 0)
        _exit(WriteContactsFile(folder + "GAddr.dat", count) ? 0 : 1);
    int status = 0;
    waitpid(writer, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "could not write the data file in %s\n", folder.c_str());
        return 1;
    }
    const auto fileBytes = std::filesystem::file_size(folder + "GAddr.dat");

    // The rule a new user starts with: Display Name and E-mail, letter case ignored.
    AppSettings.CaseSensitive = false;
    AppSettings.AddrDisplayName = true;
    AppSettings.AddrEmail = true;

    CxGAddrUtil util;
    util.SetWorkFolder(folder.c_str());
    CxList dupList;
    g_pAddrUtil = &util;
    g_pAddrDupList = &dupList;
    const long baseline = PeakKilobytes();

    auto start = std::chrono::steady_clock::now();
    const bool loaded = util.LoadDataFile();
    const double loadSeconds = SecondsSince(start);
    const long loadPeak = PeakKilobytes();

    start = std::chrono::steady_clock::now();
    ScanContactDuplicates();
    const double scanSeconds = SecondsSince(start);
    const long scanPeak = PeakKilobytes();

    std::printf("%7d  %8.1f  %6s  %8.3f  %12.1f  %8.3f  %12.1f  %6u  %9.1f\n", count, fileBytes / 1048576.0,
                loaded ? "yes" : "no", loadSeconds, loadPeak / 1024.0, scanSeconds, scanPeak / 1024.0,
                dupList.GetCount(), baseline / 1024.0);
    g_pAddrUtil = nullptr;
    g_pAddrDupList = nullptr;
    util.Reset();
    std::filesystem::remove_all(folder);
    return loaded ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--run") == 0)
        return RunOne(std::atoi(argv[2]));

    std::vector<std::string> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.emplace_back(argv[i]);
    if (sizes.empty())
        sizes = {"1000", "5000", "25000"};

    std::printf("Contacts: load of the data file and duplicate scan under the default rule\n");
    // Peaks are of the whole process: after the load, and after the scan that follows it.
    std::printf("%7s  %8s  %6s  %8s  %12s  %8s  %12s  %6s  %9s\n", "N", "file MB", "loaded", "load s", "load peak MB",
                "scan s", "scan peak MB", "dups", "start MB");
    std::fflush(stdout);
    const std::string self = platform::ProgramFolder() + "qosweep_bench";
    int failures = 0;
    for (const std::string& size : sizes) {
        const pid_t child = fork();
        if (child == 0) {
            execl(self.c_str(), self.c_str(), "--run", size.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        failures += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    return failures == 0 ? 0 : 1;
}
