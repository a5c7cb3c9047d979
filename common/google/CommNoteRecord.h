// The common note record of the general note layer and the manager that owns those records and fixes
// the order of every walk over the notes.
#pragma once

#include "common/google/CommRecordMgr.h"

#include <cstdint>

// A common note. Nothing stores or reads it by position; it is zeroed and copied as one block.
struct CommNoteRecord
{
    int32_t nColor;
    int32_t nPrivate;
    char szSubject[256]; // holds at most 254 characters
    char szNote[20480];  // holds at most 20478 characters
    char szCategory[256];
    double dtCreated; // left 0: the keep-choice reads the note's own times
    double dtModified;
    uint32_t nSourceType;
    int32_t nStatus;
    int32_t nIdNumber;
    char szId[32];

    void* pAttach;        // the attached GNoteRecord
    uint32_t nAttachSize; // bytes of a private copy of the attachment; 0 when it is only borrowed
};

// The notes' common records, in load order.
class CommNoteMgr : public CommRecordMgr<CommNoteRecord>
{};
