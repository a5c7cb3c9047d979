// An in-memory service set for the page tests: a contacts and a calendar utility with records added the
// way the loader adds them, and empty duplicate lists, installed in the service set. The wizard
// fixture's FreeServices releases it all.
#pragma once

#include "app/core/ServiceSet.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/misc/TextBuf.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline void InstallEmptyServices(const std::string& workFolder)
{
    FreeServices();
    g_pAddrUtil = new CxGAddrUtil;
    g_pDateUtil = new CxGDateUtil;
    g_pAddrUtil->SetWorkFolder(workFolder.c_str());
    g_pDateUtil->SetWorkFolder(workFolder.c_str());
    g_pAddrDupList = new CxList;
    g_pDateDupList = new CxList;
}

// A raw copy in the utility and a common record borrowing it, as a load leaves them, with the record
// pointing at its common record as a walk leaves it.
inline GAddrRecord* AddContact(const GAddrRecord& rec)
{
    GAddrRecord* raw = g_pAddrUtil->AddRecord(&rec);
    RecordPtr<CommAddrRecord> comm = Zeroed<CommAddrRecord>();
    g_pAddrUtil->ConvertToCommon(raw, comm.get());
    comm->pAttach = raw;
    raw->pCommRecord = g_pAddrUtil->GetAddrMgr()->AddCopy(comm.get());
    EXPECT_NE(nullptr, raw->pCommRecord);
    // As a walk over the contacts would hand it out.
    raw->pMgrNode = raw->pCommRecord;
    return raw;
}

inline GDateRecord* AddEvent(const GDateRecord& rec)
{
    GDateRecord* raw = g_pDateUtil->AddRecord(&rec);
    RecordPtr<CommDateRecord> comm = Zeroed<CommDateRecord>();
    g_pDateUtil->ConvertToCommon(raw, comm.get());
    comm->pAttach = raw;
    raw->pMgrNode = g_pDateUtil->GetDateMgr()->AddCopy(comm.get());
    EXPECT_NE(nullptr, raw->pMgrNode);
    return raw;
}

// A contact with a name and an e-mail address, modified at the given time (newer is kept).
inline RecordPtr<GAddrRecord> MakeContact(const char* name, const char* email, double modified = 0)
{
    RecordPtr<GAddrRecord> r = Zeroed<GAddrRecord>();
    CopyText(r->szDisplayName, name);
    CopyText(r->szEmail[0], email);
    r->nEmailType[0] = 1;
    CopyText(r->szEmailPrimary, email);
    r->dtModified = modified;
    return r;
}

inline RecordPtr<GDateRecord> MakeEvent(const char* subject, double start, double end, double modified = 0)
{
    RecordPtr<GDateRecord> r = Zeroed<GDateRecord>();
    CopyText(r->szSubject, subject);
    r->dtStart = start;
    r->dtEnd = end;
    r->dtModified = modified;
    return r;
}

// The records a duplicate list holds, in its order.
template <class Record>
std::vector<Record*> ListRecords(CxList& list)
{
    std::vector<Record*> out;
    for (void* p = list.GetFirst(); p; p = list.GetNext())
        out.push_back(static_cast<Record*>(p));
    return out;
}
