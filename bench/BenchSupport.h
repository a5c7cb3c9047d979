// What every kind's benchmark shares: one process per size, the generated files written by a child,
// the timing and peak memory of the load and of the scan, the report line, and the command line.
#pragma once

#include "app/core/AppSettings.h"

#include <memory>
#include <random>
#include <string>
#include <vector>

// One kind's service utility and duplicate list, set up on a folder of generated files and installed
// in the service set for as long as the session lives.
class BenchSession
{
public:
    virtual ~BenchSession() = default;
    virtual bool Load() = 0;
    virtual void Scan() = 0;
    // The scan through the group search from every record, comparing every pair.
    virtual void ScanPairwise() = 0;
    // A rescan after the user flipped the case setting on the review page.
    virtual void Rescan() = 0;
    // The duplicate list as it stands, in its order.
    virtual std::vector<const void*> DupList() = 0;
    // The scan under smart matching instead of the field rule; the field rule is back afterwards.
    void ScanSmart()
    {
        AppSettings.MatchMode = MATCH_SMART;
        Scan();
        AppSettings.MatchMode = MATCH_EXACT;
    }
    unsigned DupCount() { return static_cast<unsigned>(DupList().size()); }
};

struct BenchKind
{
    const char* name;    // as given on the command line
    const char* heading; // printed above the kind's table
    std::vector<std::string> defaultSizes;
    const char* dataFile; // its size is reported
    // What the load allocates per record: the raw record and its common record.
    std::vector<size_t> recordSizes;
    // Runs in a child process of its own: writes the files for count records into folder.
    bool (*WriteFiles)(const std::string& folder, int count);
    std::unique_ptr<BenchSession> (*Open)(const std::string& folder);
};

//   qosweep_bench [KIND] [N ...]
// runs each size of the named kind, or of every kind in the order given, in a process of its own
// and prints a table per kind. Sizes given without a kind apply to every kind.
int RunBench(int argc, char** argv, const std::vector<const BenchKind*>& kinds);

// The items of a CxList, in its order.
class CxList;
std::vector<const void*> ListItems(CxList& list);

// Days since 30 Dec 1899 for a date in 2015-2026 with a time of day.
double RandomTime(std::mt19937& rng);
