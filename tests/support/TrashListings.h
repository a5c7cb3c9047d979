// Trash listings for the stand-in helper to hand over (its script's "data-if" and "calendars" lines,
// kServeListings), written by the utilities' own writers so that they read back as a helper's would.
#pragma once

#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/misc/TextBuf.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Contacts named so, each with "<name>@example.org".
inline void WriteContactListing(const std::string& folder, const std::vector<const char*>& names)
{
    CxGAddrUtil util;
    util.SetWorkFolder(folder.c_str());
    for (const char* name : names) {
        RecordPtr<GAddrRecord> r = Zeroed<GAddrRecord>();
        CopyText(r->szDisplayName, name);
        FormatText(r->szEmailPrimary, "%s@example.org", name);
        util.AddRecord(r.get());
    }
    ASSERT_TRUE(util.SaveDataFile("listed-contacts.dat"));
}

// Events with these subjects in the calendar "Home", and the calendar list beside them.
inline void WriteEventListing(const std::string& folder, const std::vector<const char*>& subjects)
{
    CxGDateUtil util;
    util.SetWorkFolder(folder.c_str());
    for (const char* subject : subjects) {
        RecordPtr<GDateRecord> r = Zeroed<GDateRecord>();
        CopyText(r->szSubject, subject);
        CopyText(r->szHelperTextA, "Home");
        util.AddRecord(r.get());
    }
    ASSERT_TRUE(util.SaveDataFile("listed-events.dat"));
    ASSERT_TRUE(util.SaveCalendarFile("listed-cal.dat"));
}

// The script lines that make the stand-in hand the two listings over as its data files.
inline const std::string kServeListings = "data-if GAddr.dat listed-contacts.dat\n"
                                          "data-if GDate.dat listed-events.dat\n"
                                          "calendars listed-cal.dat\n";
