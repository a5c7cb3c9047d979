// Note duplicate detection: the rule, the keep-choice, the walk over the loaded notes, and the scan
// that fills the note duplicate list of the service set.
#pragma once

#include "common/google/records/GNoteRecord.h"

// The note rule: no two notes are ever the same, so the scan never marks a note.
bool IsSameNote(const GNoteRecord* a, const GNoteRecord* b);
// True when a counts as newer than b: by modification time, else by creation time.
bool IsNewerNote(const GNoteRecord* a, const GNoteRecord* b);

// The walk over the loaded notes in manager order; each step records in the note's pMgrNode the
// common record it came through. A common record without a note ends the walk.
GNoteRecord* FirstNote();
GNoteRecord* NextNote();
// Puts the manager's cursor back on the note's common record.
void SetCurrentNote(GNoteRecord* pRecord);

// The group search from one note; false when it is null or already marked, or there is no note
// duplicate list.
bool MarkNoteGroup(GNoteRecord* pStart);
// False, changing nothing, without a notes utility or a note duplicate list.
bool ScanNoteDuplicates();
