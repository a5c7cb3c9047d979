// Reading iCalendar files (one VEVENT, VTODO or VJOURNAL each) into the records the calendar, tasks
// and notes helpers send.
#pragma once

#include "common/google/GDateRecord.h"
#include "common/google/GNoteRecord.h"
#include "common/google/GTaskRecord.h"

#include <string>
#include <string_view>

// Each reads the first item of its kind in text into a zeroed record. False when the text holds no
// such item; problem names the first fault met (empty when none), also when the item was read only in
// part. The record's helper fields (head values, action code, helper texts) are left to the caller.
bool ReadEventItem(std::string_view text, GDateRecord& record, std::string& problem);
bool ReadTaskItem(std::string_view text, GTaskRecord& record, std::string& problem);
bool ReadNoteItem(std::string_view text, GNoteRecord& record, std::string& problem);
