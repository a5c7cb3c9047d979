// A small account's duplicate lists for the report's tests: two groups of contacts and a record of no
// group, with the texts a report must carry through unharmed (commas, quotes, line breaks, markup,
// letters beyond ASCII), and one group of events.
#pragma once

#include "app/core/AppSettings.h"
#include "app/core/ServiceSet.h"
#include "common/google/records/CxGItemRecord.h"
#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"
#include "common/misc/CxList.h"
#include "common/misc/TextBuf.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <vector>

inline constexpr const char* kTagName = "<b>&\"x\"";

class ReviewReportFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = AppSettings;
        AppSettings.AppFlag = APP_CONTACTS | APP_CALENDAR;
        AppSettings.MatchMode = MATCH_EXACT;
        AppSettings.CaseSensitive = false;
        for (bool TAppSettings::*flag :
             {&TAppSettings::AddrCompanyName, &TAppSettings::AddrTitle, &TAppSettings::AddrPhone,
              &TAppSettings::AddrAddress, &TAppSettings::AddrIM, &TAppSettings::AddrWebSite, &TAppSettings::AddrDate,
              &TAppSettings::AddrNote, &TAppSettings::DateLocation, &TAppSettings::DateNote})
            AppSettings.*flag = false;
        for (bool TAppSettings::*flag :
             {&TAppSettings::AddrDisplayName, &TAppSettings::AddrEmail, &TAppSettings::DateSubject,
              &TAppSettings::DateStartTime, &TAppSettings::DateEndTime, &TAppSettings::DateAllDayEvent})
            AppSettings.*flag = true;
        g_pAddrDupList = &m_addrList;
        g_pDateDupList = &m_dateList;
    }
    void TearDown() override
    {
        g_pAddrDupList = nullptr;
        g_pDateDupList = nullptr;
        AppSettings = m_saved;
    }

    GAddrRecord* NewContact(const char* name, const char* email)
    {
        m_contacts.push_back(Zeroed<GAddrRecord>());
        GAddrRecord* r = m_contacts.back().get();
        CopyText(r->szDisplayName, name);
        CopyText(r->szEmail[0], email);
        r->nEmailType[0] = 1;
        return r;
    }

    GDateRecord* NewEvent(const char* subject, const char* location)
    {
        m_events.push_back(Zeroed<GDateRecord>());
        GDateRecord* r = m_events.back().get();
        CopyText(r->szSubject, subject);
        CopyText(r->szLocation, location);
        r->dtStart = 45483.0 + 10.0 / 24.0; // 10 July 2024, 10:00
        r->dtEnd = 45483.0 + 11.0 / 24.0;
        return r;
    }

    template <class Record>
    static void List(CxList& list, Record* r, Record* kept, bool ticked)
    {
        r->pKept = kept;
        r->dwFlags = (kept ? uint32_t{REC_DUPLICATE} : 0u) | (ticked ? uint32_t{REC_SELECTED} : 0u);
        list.Add(r);
    }

    // Contacts: group 1 a kept contact, a ticked and an unticked duplicate; group 2 a kept contact the
    // user ticked too, and its duplicate; then a contact of no group ticked while all were shown.
    // Calendar: one kept event and its ticked duplicate.
    void AddFixtureGroups()
    {
        GAddrRecord* anna = NewContact("Berger, Anna", "anna@example.org");
        CopyText(anna->szCompanyName, "M\xC3\xBCller & S\xC3\xB6hne, \"Bau\"");
        GAddrRecord* ticked = NewContact("Berger, Anna", "anna@example.org");
        CopyText(ticked->szPhone[0], "+49 170 1234567");
        ticked->nPhoneType[0] = 1;
        GAddrRecord* unticked = NewContact("Berger, Anna", "anna@example.org");
        CopyText(unticked->szNote, "Line one\nLine two");
        GAddrRecord* tagKept = NewContact(kTagName, "x@example.org");
        GAddrRecord* tagDup = NewContact(kTagName, "x@example.org");
        GAddrRecord* alone = NewContact("Zo\xC3\xAB\n\xC3\x85str\xC3\xB6m", "");
        List(m_addrList, ticked, anna, true);
        List(m_addrList, unticked, anna, false);
        List(m_addrList, tagKept, static_cast<GAddrRecord*>(nullptr), true);
        List(m_addrList, tagDup, tagKept, true);
        List(m_addrList, alone, static_cast<GAddrRecord*>(nullptr), true);

        GDateRecord* sync = NewEvent("Team sync", "Room 4.12");
        List(m_dateList, NewEvent("Team sync", ""), sync, true);
    }

    CxList m_addrList, m_dateList;
    std::vector<RecordPtr<GAddrRecord>> m_contacts;
    std::vector<RecordPtr<GDateRecord>> m_events;
    TAppSettings m_saved;
};
