// Times the review page filling its lists: every record shown (one row each) and the duplicates only,
// for generated contacts and events of which every other one duplicates its neighbour.
//
//   qosweep_list_bench [N ...]    default size 25000 records per kind

#include "app/AppMessage.h"
#include "app/TQoApplication.h"
#include "app/TfmQoData.h"
#include "app/core/AppSettings.h"
#include "app/core/ServiceSet.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/misc/TextBuf.h"

#include <QCheckBox>
#include <QTreeWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

double MillisecondsOf(void (*step)(TfmQoData&), TfmQoData& page)
{
    const auto start = std::chrono::steady_clock::now();
    step(page);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Records are added the way a load adds them: a raw copy and a common record borrowing it.
void AddContacts(int count)
{
    GAddrRecord r;
    CommAddrRecord comm;
    for (int i = 0; i < count; ++i) {
        std::memset(&r, 0, sizeof r);
        FormatText(r.szDisplayName, "Person %d", i / 2);
        FormatText(r.szEmailPrimary, "person%d@example.com", i / 2);
        CopyText(r.szEmail[0], r.szEmailPrimary);
        r.nEmailType[0] = EMAIL_HOME;
        FormatText(r.szPhonePrimary, "+1 555 %07d", i);
        CopyText(r.szCompanyName, "Northwind Traders");
        CopyText(r.szJobTitle, "Engineer");
        r.dtModified = 40000 + i;
        GAddrRecord* raw = g_pAddrUtil->AddRecord(&r);
        std::memset(&comm, 0, sizeof comm);
        g_pAddrUtil->ConvertToCommon(raw, &comm);
        comm.pAttach = raw;
        raw->pCommRecord = g_pAddrUtil->GetAddrMgr()->AddCopy(&comm);
    }
}

void AddEvents(int count)
{
    auto* r = static_cast<GDateRecord*>(std::malloc(sizeof(GDateRecord)));
    auto* comm = static_cast<CommDateRecord*>(std::malloc(sizeof(CommDateRecord)));
    for (int i = 0; i < count; ++i) {
        std::memset(r, 0, sizeof *r);
        FormatText(r->szSubject, "Meeting %d", i / 2);
        CopyText(r->szLocation, "Room 4");
        r->dtStart = 45000 + i / 2 + 0.375;
        r->dtEnd = r->dtStart + 0.0625;
        r->dtModified = 40000 + i;
        GDateRecord* raw = g_pDateUtil->AddRecord(r);
        std::memset(comm, 0, sizeof *comm);
        g_pDateUtil->ConvertToCommon(raw, comm);
        comm->pAttach = raw;
        g_pDateUtil->GetDateMgr()->AddCopy(comm);
    }
    std::free(r);
    std::free(comm);
}

void InstallServices(int count)
{
    FreeServices();
    g_pAddrUtil = new CxGAddrUtil;
    g_pDateUtil = new CxGDateUtil;
    g_pAddrDupList = new CxList;
    g_pDateDupList = new CxList;
    AddContacts(count);
    AddEvents(count);
}

void RunSize(int count)
{
    InstallServices(count);
    TfmQoData page(nullptr);
    page.resize(800, 500);
    page.show();
    page.TransferData(false); // scans, then lists the duplicates
    const double addrAll = MillisecondsOf([](TfmQoData& p) { p.cbAddrAll->click(); }, page);
    const int addrRows = page.lvAddr->topLevelItemCount();
    const double addrDups = MillisecondsOf([](TfmQoData& p) { p.cbAddrAll->click(); }, page);
    const int addrDupRows = page.lvAddr->topLevelItemCount();
    // Next with every contact shown and ticked: each row's record joins the duplicate list once.
    page.cbAddrAll->click();
    page.btnSelAllClick();
    const double addrNext = MillisecondsOf([](TfmQoData& p) { p.TransferData(true); }, page);
    const uint32_t addrListed = g_pAddrDupList->GetCount();
    const double dateAll = MillisecondsOf([](TfmQoData& p) { p.cbDateAll->click(); }, page);
    const int dateRows = page.lvDate->topLevelItemCount();
    const double dateDups = MillisecondsOf([](TfmQoData& p) { p.cbDateAll->click(); }, page);
    const int dateDupRows = page.lvDate->topLevelItemCount();
    std::printf("%-9s %8d rows %9.1f ms   duplicates %8d rows %9.1f ms\n", "contacts", addrRows, addrAll, addrDupRows,
                addrDups);
    std::printf("%-9s %8d rows %9.1f ms   duplicates %8d rows %9.1f ms\n", "events", dateRows, dateAll, dateDupRows,
                dateDups);
    std::printf("Next with all %d contacts ticked: %.1f ms (%u in the duplicate list)\n", addrRows, addrNext,
                addrListed);
    FreeServices();
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TQoApplication app(argc, argv);
    // A new user's settings (the default duplicate rules), never written back.
    g_settingsFile.SetFilePath("/dev/null");
    LoadSettings();
    AppSettings.AppFlag = APP_CONTACTS | APP_CALENDAR;
    // Next with every contact ticked asks before deleting them all: answered Yes, without a box.
    SetAppMessageHandler([](const AppMessageRecord&) { SetNextAppAnswer(QMessageBox::Yes); });
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        if (std::atoi(argv[i]) > 0)
            sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes.push_back(25000);
    std::printf("Filling the review page's lists (all records, then the duplicates only):\n");
    for (int count : sizes)
        RunSize(count);
    return 0;
}
