// The service set: one service utility and one duplicate list per application, which the pages, the
// scans and the detail dialogs work on. Null until the account page loads the chosen applications.
#pragma once

#include "common/misc/CxList.h"

#include <string>

class CxGAppBaseUtil;
class CxGAddrUtil;
class CxGDateUtil;
class CxGTaskUtil;
class CxGNoteUtil;

extern CxGAddrUtil* g_pAddrUtil;
extern CxGDateUtil* g_pDateUtil;
extern CxGTaskUtil* g_pTaskUtil;
extern CxGNoteUtil* g_pNoteUtil;

// Records found as duplicates or ticked for deletion. The lists only point at records their kind's
// utility owns: emptying or destroying a list never releases a record.
extern CxList* g_pAddrDupList;
extern CxList* g_pDateDupList;
extern CxList* g_pTaskDupList;
extern CxList* g_pNoteDupList;

// Creates the whole set afresh (releasing everything of an earlier one) and loads the applications
// AppSettings.AppFlag chooses, with the wait window's text and status file following each load.
// True only when every chosen application loaded. The set stays in place after a failed load, so the
// pages find an empty or partly loaded set; it is empty only when it could not be created.
bool LoadServices();
// After a load: for each chosen application whose data file held fewer whole records than it
// announced, a line saying how many of how many were read, or that nothing was when the file ended
// before its record count; empty when everything was.
std::string LoadShortfallText();
// After a failed load: a line for each chosen application that did not load, saying why as far as
// the app knows (the helper could not start, did not finish in time, or handed over no data), or
// "The helper program said: ..." with the error the helper listed last (said once when both helpers
// said the same, else naming each application); empty after a load that went through.
std::string LoadFailureText();
// Hands a utility the account and the debug log settings from AppSettings, and the data folder as its
// work folder and log folder: every helper run on the account the user entered goes this way.
void ConfigureUtility(CxGAppBaseUtil& util, const char* szDataFolder);
// Destroys the four utilities (leaving a stop request for a helper still running) and the four lists,
// and nulls all eight pointers. Nothing happens for an empty set.
void FreeServices();
