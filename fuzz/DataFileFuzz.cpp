// The data files of every kind through the app's own loads and saves. The first byte picks the kind
// (contacts, events, calendar list, tasks, notes); the rest is the file.
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/google/CxGNoteUtil.h"
#include "common/google/CxGTaskUtil.h"
#include "common/google/records/CxGDataFile.h"
#include "fuzz/FuzzSupport.h"

#include <string>
#include <vector>

namespace {

using fuzz::ImageOf;

struct Loaded
{
    std::vector<std::string> records; // field images, in load order
    std::string saved;                // the bytes a save of them writes
};

template <class Util>
void PrepareUtil(Util& util)
{
    util.SetWorkFolder(fuzz::ScratchFolder().c_str());
}

// Walks the common records, each attached to the raw record it was made from, as every scan does.
template <class Raw, class Mgr, class Comm>
std::vector<std::string> RawImages(Mgr& mgr, void (*fields)(fuzz::FieldImage&, const Raw&))
{
    std::vector<std::string> images;
    for (Comm* comm = mgr.GetFirst(); comm; comm = mgr.GetNext()) {
        FUZZ_CHECK(comm->pAttach != nullptr);
        images.push_back(ImageOf(*static_cast<const Raw*>(comm->pAttach), fields));
    }
    return images;
}

Loaded LoadContacts(const char* name)
{
    CxGAddrUtil util;
    PrepareUtil(util);
    FUZZ_CHECK(util.LoadDataFile(name));
    Loaded loaded;
    loaded.records = RawImages<GAddrRecord, CommAddrMgr, CommAddrRecord>(
        *util.GetAddrMgr(), GAddrRecordFields<fuzz::FieldImage, const GAddrRecord>);
    FUZZ_CHECK(util.SaveDataFile("saved.dat"));
    loaded.saved = fuzz::ReadWholeFile(fuzz::ScratchFolder() + "saved.dat");
    return loaded;
}

Loaded LoadEvents(const char* name)
{
    CxGDateUtil util;
    PrepareUtil(util);
    FUZZ_CHECK(util.LoadDataFile(name));
    Loaded loaded;
    loaded.records = RawImages<GDateRecord, CommDateMgr, CommDateRecord>(
        *util.GetDateMgr(), GDateRecordFields<fuzz::FieldImage, const GDateRecord>);
    FUZZ_CHECK(util.SaveDataFile("saved.dat"));
    loaded.saved = fuzz::ReadWholeFile(fuzz::ScratchFolder() + "saved.dat");
    return loaded;
}

Loaded LoadCalendars(const char* name)
{
    CxGDateUtil util;
    PrepareUtil(util);
    FUZZ_CHECK(util.LoadCalendarFile(name));
    Loaded loaded;
    // The utility keeps its calendar definitions to itself; the count is what it tells.
    loaded.records.resize(util.GetCalendarCount());
    FUZZ_CHECK(util.SaveCalendarFile("saved.dat"));
    loaded.saved = fuzz::ReadWholeFile(fuzz::ScratchFolder() + "saved.dat");

    // The records themselves, read the way LoadCalendarFile reads them, for the terminator check.
    CxFile file;
    FUZZ_CHECK(file.Open((fuzz::ScratchFolder() + name).c_str(), "rb"));
    size_t index = 0;
    const uint32_t read = ReadDataRecords<GCalRecord>(
        file, ReadRecordCount(file),
        [](CxFile& in, GCalRecord* record) { ReadFields(in, record, GCalRecordFields<CxGFieldReader, GCalRecord>); },
        [&](GCalRecord* record) {
            FUZZ_CHECK(index < loaded.records.size());
            loaded.records[index++] = ImageOf(*record, GCalRecordFields<fuzz::FieldImage, const GCalRecord>);
        });
    FUZZ_CHECK(read == loaded.records.size());
    return loaded;
}

template <class Util, class Raw, class Comm, class Mgr>
Loaded LoadItems(const char* name, Mgr* (Util::*mgrOf)(), void (*fields)(fuzz::FieldImage&, const Raw&))
{
    Util util;
    PrepareUtil(util);
    FUZZ_CHECK(util.LoadDataFile(name));
    Loaded loaded;
    loaded.records = RawImages<Raw, Mgr, Comm>(*(util.*mgrOf)(), fields);
    FUZZ_CHECK(util.SaveDataFile("saved.dat"));
    loaded.saved = fuzz::ReadWholeFile(fuzz::ScratchFolder() + "saved.dat");
    return loaded;
}

Loaded LoadTasks(const char* name)
{
    return LoadItems<CxGTaskUtil, GTaskRecord, CommTaskRecord>(name, &CxGTaskUtil::GetTaskMgr,
                                                               GTaskRecordFields<fuzz::FieldImage, const GTaskRecord>);
}

Loaded LoadNotes(const char* name)
{
    return LoadItems<CxGNoteUtil, GNoteRecord, CommNoteRecord>(name, &CxGNoteUtil::GetNoteMgr,
                                                               GNoteRecordFields<fuzz::FieldImage, const GNoteRecord>);
}

using LoadKind = Loaded (*)(const char*);
constexpr LoadKind kKinds[] = {LoadContacts, LoadEvents, LoadCalendars, LoadTasks, LoadNotes};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const LoadKind load = kKinds[data[0] % std::size(kKinds)];
    const std::string_view file(reinterpret_cast<const char*>(data) + 1, size - 1);
    fuzz::WriteScratchFile("input.dat", file);

    // Whatever the input, the records loaded (every text terminated within its field) survive a save
    // and a load unchanged.
    const Loaded first = load("input.dat");
    uint32_t claimed = 0;
    if (file.size() >= sizeof claimed)
        std::memcpy(&claimed, file.data(), sizeof claimed);
    FUZZ_CHECK(first.records.size() <= claimed);

    fuzz::WriteScratchFile("first.dat", first.saved);
    const Loaded second = load("first.dat");
    FUZZ_CHECK(second.records == first.records);
    // What a save writes is well-formed: loading and saving it again gives back the same bytes.
    FUZZ_CHECK(second.saved == first.saved);
    return 0;
}
