// The Google Notes service utility: fetches the account's notes through the notes helper and keeps
// them as raw and common records.
#pragma once

#include "common/google/CommNoteRecord.h"
#include "common/google/CxGItemUtil.h"
#include "common/google/records/GNoteRecord.h"

class CxGNoteUtil : public CxGItemUtil<GNoteRecord, CommNoteRecord, CommNoteMgr>
{
public:
    CxGNoteUtil();

    bool ConvertToCommon(const GNoteRecord* pRaw, CommNoteRecord* pComm) override;
    CommNoteMgr* GetNoteMgr() { return GetMgr(); }
};
