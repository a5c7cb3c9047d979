// What a folder account's load and a server account's share: the scratch record, the read of an
// item's text into the data file, the reader's notes, and the end of the run.
#pragma once

#include "common/google/records/GDateRecord.h"
#include "helpers/base/HelperText.h"
#include "helpers/driver/HelperParams.h"
#include "helpers/driver/HelperSession.h"
#include "helpers/driver/ItemText.h"
#include "helpers/driver/PendingDataFile.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

// One record, zeroed afresh for each item: some kinds' records are tens of kilobytes. Allocated with
// malloc, as the data file code expects of records.
struct FreeRecord
{
    void operator()(void* record) const { std::free(record); }
};
template <class Record>
using ScratchRecord = std::unique_ptr<Record, FreeRecord>;
template <class Record>
ScratchRecord<Record> NewScratchRecord()
{
    return ScratchRecord<Record>(static_cast<Record*>(std::malloc(sizeof(Record))));
}

// Reads the text's one item into the scratch record and adds it to the data file, after fill(record)
// has put in what the save goes by. A fault is reported under the name shown and the item skipped (a
// text of another calendar kind is only logged as passed over); a read in part is reported and kept.
template <class Record, class Fill>
bool AddReadItem(HelperSession& session, const ItemText& text, const std::string& shown, Record& record,
                 PendingFile& data, void (*fields)(CxGFieldWriter&, const Record&), Fill fill)
{
    std::string problem;
    std::memset(&record, 0, sizeof record); // the readers fill a zeroed record
    if (!text.Read(record, problem)) {
        if (HoldsOtherKind(text.Text(), session.Kind())) {
            session.Log(2, Format("Passed over %s: no %s in it", shown.c_str(), KindInfo(session.Kind()).item));
            return false;
        }
        session.Error(Format("No %s in %s, skipped%s%s", KindInfo(session.Kind()).item, shown.c_str(),
                             problem.empty() ? "" : ": ", problem.c_str()));
        return false;
    }
    if (!problem.empty())
        session.Error(Format("%s was read in part: %s", shown.c_str(), problem.c_str()));
    fill(record);
    record.ActionCode = 0;
    data.Add(record, fields);
    if (session.Logs(3))
        session.Log(3, Format("Read %s", shown.c_str()));
    return true;
}

// What the reader guessed (a character set, a zone's times kept as written) is no fault of the
// read, but the user should know, and the error file is all of a run the app shows. As an error it
// also makes the exit status say so, which the app never reads.
inline void ReportNotes(HelperSession& session, const std::string& shown, const ItemText& text)
{
    for (const std::string& note : text.Notes())
        session.Error(Format("%s: %s", shown.c_str(), note.c_str()));
}

// The end of a load whose items were read (or that was stopped): a stopped one writes nothing; else
// the data file and, for the calendar, the calendar list beside it are committed, both or neither,
// and the status says how many items came from where. calendars is null for the other kinds.
inline RunResult EndLoad(HelperSession& session, const HelperParams& params, RunResult read, PendingFile& data,
                         CxList* calendars, const std::string& from)
{
    if (read == RunResult::Stopped) {
        session.Status("Stopped on request", true);
        session.Log(1, "Load stopped on request; no data file written");
        return RunResult::Stopped;
    }
    const uint32_t count = data.Count();
    std::string error;
    bool ok = data.Finish(error);
    if (ok && calendars) {
        PendingFile calendarFile(params.workFolder + params.calendarFile);
        ok = calendarFile.Write<GCalRecord>(*calendars, GCalRecordFields<CxGFieldWriter, const GCalRecord>, error) &&
             calendarFile.Commit(error);
    }
    ok = ok && data.Commit(error);
    if (!ok) {
        session.Error(error);
        return RunResult::Finished;
    }
    const char* what = KindInfo(session.Kind()).items;
    session.Status(Format("Finished: %u %s read", count, what), true);
    session.Log(1, Format("Loaded %u %s from %s", count, what, from.c_str()));
    return RunResult::Finished;
}
