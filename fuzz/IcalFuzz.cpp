// iCalendar files through the calendar, tasks and notes helpers' reader: each input is read as an
// event, a task and a note.
#include "common/google/records/GDateRecord.h"
#include "common/google/records/GNoteRecord.h"
#include "common/google/records/GTaskRecord.h"
#include "fuzz/FuzzSupport.h"
#include "helpers/ical/CalendarItems.h"

#include <cstdlib>
#include <memory>
#include <string>

namespace {

template <class Record>
std::unique_ptr<Record, decltype(&std::free)> Zeroed()
{
    std::unique_ptr<Record, decltype(&std::free)> record(static_cast<Record*>(std::calloc(1, sizeof(Record))),
                                                         &std::free);
    FUZZ_CHECK(record != nullptr);
    return record;
}

// Every text ends inside its field and is valid UTF-8; the helper's own fields are the caller's.
template <class Record>
void CheckItem(const Record& record, void (*fields)(fuzz::FieldImage&, const Record&))
{
    fuzz::ImageOf(record, fields, true);
    FUZZ_CHECK(record.nHeadValue1 == 0 && record.ActionCode == 0 && record.nHeadValue3 == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string problem;

    auto event = Zeroed<GDateRecord>();
    const bool eventRead = ReadEventItem(text, *event, problem);
    CheckItem(*event, GDateRecordFields<fuzz::FieldImage, const GDateRecord>);
    FUZZ_CHECK(event->szHelperTextA[0] == '\0' && event->szHelperTextB[0] == '\0' && event->szHelperTextC[0] == '\0');
    FUZZ_CHECK(!eventRead || CountCalendarItems(text, "VEVENT") >= 1);

    auto task = Zeroed<GTaskRecord>();
    const bool taskRead = ReadTaskItem(text, *task, problem);
    CheckItem(*task, GTaskRecordFields<fuzz::FieldImage, const GTaskRecord>);
    FUZZ_CHECK(!taskRead || CountCalendarItems(text, "VTODO") >= 1);

    auto note = Zeroed<GNoteRecord>();
    const bool noteRead = ReadNoteItem(text, *note, problem);
    CheckItem(*note, GNoteRecordFields<fuzz::FieldImage, const GNoteRecord>);
    FUZZ_CHECK(!noteRead || CountCalendarItems(text, "VJOURNAL") >= 1);
    return 0;
}
