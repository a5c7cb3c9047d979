#include "app/core/ServiceSet.h"

#include "app/core/AppSettings.h"
#include "app/core/ContactScan.h"
#include "app/core/EventScan.h"
#include "app/core/NotDuplicates.h"
#include "common/google/CxCommWaitWindow.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/google/CxGNoteUtil.h"
#include "common/google/CxGTaskUtil.h"
#include "common/google/records/HelperContract.h"
#include "common/misc/TextBuf.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <thread>
#include <vector>

CxGAddrUtil* g_pAddrUtil = nullptr;
CxGDateUtil* g_pDateUtil = nullptr;
CxGTaskUtil* g_pTaskUtil = nullptr;
CxGNoteUtil* g_pNoteUtil = nullptr;
CxList* g_pAddrDupList = nullptr;
CxList* g_pDateDupList = nullptr;
CxList* g_pTaskDupList = nullptr;
CxList* g_pNoteDupList = nullptr;

namespace {

template <class T>
void Destroy(T*& pointer)
{
    delete pointer;
    pointer = nullptr;
}

// True when the data file held every record it announced.
bool ReadWhole(const CxGAppBaseUtil& util)
{
    return !util.m_bCountCut && util.m_nRecordsWhole >= util.m_nRecordsAnnounced;
}

void DestroyList(CxList*& pList)
{
    if (pList)
        pList->RemoveAll(false);
    Destroy(pList);
}

bool CreateUtilities()
{
    g_pAddrUtil = new (std::nothrow) CxGAddrUtil;
    g_pDateUtil = new (std::nothrow) CxGDateUtil;
    g_pTaskUtil = new (std::nothrow) CxGTaskUtil;
    g_pNoteUtil = new (std::nothrow) CxGNoteUtil;
    return g_pAddrUtil && g_pDateUtil && g_pTaskUtil && g_pNoteUtil;
}

bool CreateDuplicateLists()
{
    g_pAddrDupList = new (std::nothrow) CxList;
    g_pDateDupList = new (std::nothrow) CxList;
    g_pTaskDupList = new (std::nothrow) CxList;
    g_pNoteDupList = new (std::nothrow) CxList;
    return g_pAddrDupList && g_pDateDupList && g_pTaskDupList && g_pNoteDupList;
}

// One application's load: the wait window shows what is loading (and, after a short pause so the
// text is seen, what the helper writes into its status file), the utility gets the account and the
// debug log settings, then loads.
bool LoadApplication(CxGAppBaseUtil& util, const char* szWaitText, const char* szDataFolder, const char* szStatusFile)
{
    SetWaitText(szWaitText);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ConfigureUtility(util, szDataFolder);
    char szPath[MAX_PATH];
    FormatText(szPath, "%s%s", szDataFolder, szStatusFile);
    SetWaitStatusFile(szPath);
    return util.Load();
}

} // namespace

namespace {

// Why a chosen application's last load failed: the runner's outcome in our own words, or the error
// the helper program itself listed last.
struct LoadFailure
{
    std::string what;        // "Google Contacts"
    std::string reason;      // empty when the helper said why
    std::string helperError; // what it said
};

std::vector<LoadFailure> s_loadFailures;

// The runner's outcome comes first: a helper that never finished may have left an error file of an
// earlier run, and a wrong password is not the cause of a helper that hung.
void NoteLoadFailure(const CxGAppBaseUtil& util, const char* szWhat)
{
    LoadFailure failure{szWhat, "", ""};
    if (const char* szRunFailure = HelperRunFailureText(util.m_lastRunOutcome))
        failure.reason = szRunFailure;
    else if (util.m_bHasError && util.m_szLastError[0] != '\0')
        failure.helperError = util.m_szLastError;
    else
        failure.reason = "the helper program did not hand over its data.";
    s_loadFailures.push_back(std::move(failure));
}

// Both helpers turn a wrong password away with the same words: those are said once, plainly. Helpers
// that said different things are each named, so the user knows which application's words are which.
bool HelpersSaidTheSame()
{
    const std::string* first = nullptr;
    for (const LoadFailure& failure : s_loadFailures) {
        if (failure.helperError.empty())
            continue;
        if (first && *first != failure.helperError)
            return false;
        first = &failure.helperError;
    }
    return true;
}

std::string HelperSaidLine(const LoadFailure& failure, bool bNameIt)
{
    return (bNameIt ? "The " + failure.what + " helper program said: " : std::string("The helper program said: ")) +
           failure.helperError;
}

} // namespace

namespace {

// Pairs kept apart whose items have left the account are forgotten, but only by a load that read
// the kind whole: a kind not chosen, or a data file cut short, says nothing about what is gone.
void ForgetPairsOfGoneItems(bool bAllLoaded)
{
    if (!bAllLoaded)
        return;
    if ((AppSettings.AppFlag & APP_CONTACTS) && ReadWhole(*g_pAddrUtil))
        ForgetVanishedPairs(PairKind::Contact, FirstContact, NextContact, ContactIdentity);
    if ((AppSettings.AppFlag & APP_CALENDAR) && ReadWhole(*g_pDateUtil))
        ForgetVanishedPairs(PairKind::Event, FirstEvent, NextEvent, EventIdentity);
}

} // namespace

void ConfigureUtility(CxGAppBaseUtil& util, const char* szDataFolder)
{
    util.SetWorkFolder(szDataFolder);
    util.SetEmail(AppSettings.Email);
    util.SetPassword(AppSettings.Password);
    util.SetLogFolder(szDataFolder);
    util.SetLogLevel(AppSettings.LogLevel);
    util.SetDebugEnabled(AppSettings.EnableDebug);
}

bool LoadServices()
{
    s_loadFailures.clear();
    FreeServices();
    if (!CreateUtilities()) {
        FreeServices();
        return false;
    }
    char szDataFolder[MAX_PATH] = "";
    // Without a data folder the utilities get an empty work folder: the loads then fail and say so.
    GetDataFolder(szDataFolder);

    // Every chosen application must load: a review page that silently lacks the contacts because
    // the calendar loaded after them would let the user believe there were no duplicate contacts.
    // With no application chosen nothing loaded, which is no success either.
    bool bAnyChosen = false;
    bool bAllLoaded = true;
    if (AppSettings.AppFlag & APP_CONTACTS) {
        bAnyChosen = true;
        if (!LoadApplication(*g_pAddrUtil, "Loading Google Contacts...", szDataFolder,
                             FilesOf(HelperKind::Contacts).statusFile)) {
            bAllLoaded = false;
            NoteLoadFailure(*g_pAddrUtil, "Google Contacts");
        }
    }
    if (AppSettings.AppFlag & APP_CALENDAR) {
        bAnyChosen = true;
        if (!LoadApplication(*g_pDateUtil, "Loading Google Calendar...", szDataFolder,
                             FilesOf(HelperKind::Calendar).statusFile)) {
            bAllLoaded = false;
            NoteLoadFailure(*g_pDateUtil, "Google Calendar");
        }
    }
    // Tasks and notes are never loaded here: the account page offers no way to choose them.

    if (!CreateDuplicateLists()) {
        FreeServices();
        return false;
    }
    ForgetPairsOfGoneItems(bAllLoaded);
    return bAnyChosen && bAllLoaded;
}

namespace {

void AddShortfall(std::string& text, const CxGAppBaseUtil* pUtil, const char* szWhat)
{
    if (!pUtil || ReadWhole(*pUtil))
        return;
    char szLine[256];
    if (pUtil->m_bCountCut)
        FormatText(szLine,
                   "No %s could be read: the data the helper program handed over is cut short before its record count.",
                   szWhat);
    else
        FormatText(szLine,
                   "Only %u of %u %s could be read whole: the data the helper program handed over is cut short.",
                   pUtil->m_nRecordsWhole, pUtil->m_nRecordsAnnounced, szWhat);
    if (!text.empty())
        text += '\n';
    text += szLine;
}

} // namespace

std::string LoadFailureText()
{
    const bool bSame = HelpersSaidTheSame();
    std::vector<std::string> lines;
    for (const LoadFailure& failure : s_loadFailures) {
        std::string line = failure.helperError.empty() ? failure.what + " could not be loaded: " + failure.reason
                                                       : HelperSaidLine(failure, !bSame);
        if (std::find(lines.begin(), lines.end(), line) == lines.end())
            lines.push_back(std::move(line));
    }
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

std::string LoadShortfallText()
{
    std::string text;
    if (AppSettings.AppFlag & APP_CONTACTS)
        AddShortfall(text, g_pAddrUtil, "contacts");
    if (AppSettings.AppFlag & APP_CALENDAR)
        AddShortfall(text, g_pDateUtil, "calendar events");
    return text;
}

void FreeServices()
{
    Destroy(g_pAddrUtil);
    Destroy(g_pDateUtil);
    Destroy(g_pTaskUtil);
    Destroy(g_pNoteUtil);
    DestroyList(g_pAddrDupList);
    DestroyList(g_pDateDupList);
    DestroyList(g_pTaskDupList);
    DestroyList(g_pNoteDupList);
}
