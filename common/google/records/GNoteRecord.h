// A note as the notes helper delivers it, and its fields in data file order.
#pragma once

#include "common/google/records/CxGItemRecord.h"

#include <cstdint>

struct CommNoteRecord;

// Every text is inline and zero-terminated; the record is zeroed, copied and released as one block.
struct GNoteRecord
{
    int32_t nHeadValue1; // the helper's own value, carried unchanged
    int32_t ActionCode;  // ACTION_DELETE asks the helper to delete the note
    int32_t nHeadValue3; // the helper's own value, carried unchanged

    char szSubject[256];
    char szNote[10244];
    double dtCreated;
    double dtModified;

    // In memory only, never in the data file.
    uint32_t dwFlags;            // REC_DUPLICATE, REC_SELECTED
    CommNoteRecord* pMgrNode;    // the common record through which the last walk handed this one out
    CommNoteRecord* pCommRecord; // the common record made for this note at load
};

// The data file fields of a note, in file order, for a CxGFieldReader or CxGFieldWriter.
template <class Io, class Record>
void GNoteRecordFields(Io& io, Record& r)
{
    io.Int(r.nHeadValue1);
    io.Int(r.ActionCode);
    io.Int(r.nHeadValue3);
    io.Text(r.szSubject);
    io.Text(r.szNote);
    io.Value(r.dtCreated);
    io.Value(r.dtModified);
}
