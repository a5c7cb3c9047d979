// The user's choices, kept in "tessavo.ini" in the data folder, and the data folder itself.
#pragma once

#include "common/misc/CxIniUtil.h"

#include <cstdint>

// Bits of AppSettings.AppFlag.
enum : int32_t { APP_CONTACTS = 1, APP_CALENDAR = 2, APP_TASKS = 4, APP_NOTES = 8 };

// Values of AppSettings.MatchMode: the field rule of the rule dialog's boxes, or smart matching of
// names, e-mail addresses and phone numbers (contacts) and subjects and times (events).
enum : int32_t { MATCH_EXACT = 0, MATCH_SMART = 1 };

struct TAppSettings
{
    char Email[64];
    char Password[64];         // plain text in memory only
    char EncodedPassword[256]; // Base64 working buffer
    bool SaveEmail;
    bool SavePassword;
    int32_t AppFlag;
    bool CaseSensitive;
    bool AddrDisplayName;
    bool AddrCompanyName;
    bool AddrTitle;
    bool AddrEmail;
    bool AddrPhone;
    bool AddrAddress;
    bool AddrIM;
    bool AddrWebSite;
    bool AddrDate;
    bool AddrNote;
    bool DateSubject;
    bool DateLocation;
    bool DateStartTime;
    bool DateEndTime;
    bool DateAllDayEvent;
    bool DateRecur; // kept in the file only; no rule reads it
    bool DateNote;
    bool EnableDebug;
    int32_t LogLevel;
    int32_t MatchMode; // MATCH_EXACT unless the user chose smart matching
    // The review page leaves a duplicate unticked when it holds data its kept record lacks.
    bool UntickLosingDuplicates;
    // The trash dialog empties deletions at least this many days old (kTrashDaysMin..kTrashDaysMax).
    int32_t TrashDays;
};

inline constexpr int32_t kTrashDaysDefault = 30;
inline constexpr int32_t kTrashDaysMin = 0;
inline constexpr int32_t kTrashDaysMax = 36500;

// The one settings record, touched only from the user-interface thread.
extern TAppSettings AppSettings;

// The settings file; it starts beside the program and moves to the data folder at start-up.
extern CxIniUtil g_settingsFile;

inline constexpr const char* kSettingsSection = "Qosweep";

void LoadSettings();
void SaveSettings();

// Writes the data folder, ending with the separator, into buffer (at least 260 bytes) and creates
// it when missing. False, with the buffer untouched, when it cannot be found or created.
bool GetDataFolder(char* buffer);
