#include "app/TfmQoData.h"

#include "app/AppMessage.h"
#include "app/DialogUtil.h"
#include "app/KeepApart.h"
#include "app/ModalDialog.h"
#include "app/RecordList.h"
#include "app/ReviewRows.h"
#include "app/SaveFileDialog.h"
#include "app/TfmDupOption.h"
#include "app/TfmQoCompare.h"
#include "app/core/AppSettings.h"
#include "app/core/ContactScan.h"
#include "app/core/EventScan.h"
#include "app/core/ReviewReport.h"
#include "app/core/ServiceSet.h"
#include "app/detail/TfmQoAddrDetail.h"
#include "app/detail/TfmQoDateDetail.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGDateUtil.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <unordered_set>

namespace {

// A record's own columns, then what the row tells about a duplicate (ReviewColumn).
const ListShape kAddrList = {"lvAddr",
                             "Contacts",
                             {{"Display Name", 120},
                              {"Email", 120},
                              {"Primary Phone", 100},
                              {"Company", 100},
                              {"Title", 100},
                              {"Kept record", 180},
                              {"Matched on", 150},
                              {"Would be lost", 90}}};
const ListShape kDateList = {"lvDate",
                             "Calendar events",
                             {{"Subject", 200},
                              {"Start Time", 80},
                              {"End Time", 80},
                              {"All Day Event", 100},
                              {"Location", 150},
                              {"Kept record", 180},
                              {"Matched on", 150},
                              {"Would be lost", 90}}};
// Never filled: tasks and notes are not offered yet.
const ListShape kTaskList = {
    "lvTask", "Tasks", {{"Subject", 150}, {"Importance", 80}, {"Due Date", 80}, {"Body", 200}}};
const ListShape kNoteList = {"lvNote", "Notes", {{"Notes", 500}}};

QCheckBox* MakeBox(QWidget* parent, const char* name, const QString& caption)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

QString CountCaption(const char* kind, uint32_t dups)
{
    return QStringLiteral("%1 (%2 %3)").arg(QLatin1String(kind)).arg(dups).arg(dups > 1 ? "Dups" : "Dup");
}

uint32_t DupCount(CxList* list)
{
    return list ? list->GetCount() : 0;
}

// Rows of the list's records in row order, each with the record it stands for.
template <typename Record>
QList<QTreeWidgetItem*> RowsOf(const QWidget& list, Record* (*first)(), Record* (*next)(), bool duplicatesView)
{
    const ReviewRowStyle style = CurrentRowStyle(list);
    QList<QTreeWidgetItem*> rows;
    for (Record* r = first(); r; r = next())
        rows.append(MakeReviewRow(r, duplicatesView, style));
    return rows;
}

GAddrRecord* FirstAddrDup()
{
    return static_cast<GAddrRecord*>(g_pAddrDupList->GetFirst());
}

GAddrRecord* NextAddrDup()
{
    return static_cast<GAddrRecord*>(g_pAddrDupList->GetNext());
}

GDateRecord* FirstDateDup()
{
    return static_cast<GDateRecord*>(g_pDateDupList->GetFirst());
}

GDateRecord* NextDateDup()
{
    return static_cast<GDateRecord*>(g_pDateDupList->GetNext());
}

// The tick marks of one list into its records' flags and its duplicate list. What the list already
// holds is looked up in a set: with every record shown and ticked, asking the list itself row by row
// would take a time growing with the square of the rows.
template <typename Record>
void TakeListTicks(QTreeWidget* list, CxList* dupList)
{
    std::unordered_set<void*> listed;
    for (void* p = dupList ? dupList->GetFirst() : nullptr; p; p = dupList->GetNext())
        listed.insert(p);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = list->topLevelItem(i);
        auto* r = static_cast<Record*>(RowRecord(row));
        if (!r)
            continue;
        if (IsTicked(row)) {
            r->dwFlags |= REC_SELECTED;
            if (dupList && listed.insert(r).second)
                dupList->Add(r);
        } else {
            r->dwFlags &= ~static_cast<uint32_t>(REC_SELECTED);
        }
    }
}

// The records of a duplicate list the deletion would take.
uint32_t SelectedCount(CxList* dupList, bool contacts)
{
    uint32_t count = 0;
    for (void* p = dupList->GetFirst(); p; p = dupList->GetNext()) {
        const uint32_t flags = contacts ? static_cast<GAddrRecord*>(p)->dwFlags : static_cast<GDateRecord*>(p)->dwFlags;
        count += (flags & REC_SELECTED) ? 1 : 0;
    }
    return count;
}

// More than half of what was loaded, or more than kLargeDeletion records whatever was loaded.
constexpr uint32_t kLargeDeletion = 500;

bool IsLargeDeletion(uint32_t ticked, uint32_t loaded)
{
    return ticked > kLargeDeletion || uint64_t{ticked} * 2 > loaded;
}

const QStringList kReportFilters = {QStringLiteral("CSV file (*.csv)"), QStringLiteral("HTML page (*.html)")};

// The format of a chosen file: its extension when it names one, else the filter chosen, whose
// extension the path then gets.
ReportFormat ChosenFormat(QString& path, const QString& filter)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("csv"))
        return ReportFormat::Csv;
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        return ReportFormat::Html;
    const bool html = filter == kReportFilters[1];
    path += html ? QStringLiteral(".html") : QStringLiteral(".csv");
    return html ? ReportFormat::Html : ReportFormat::Csv;
}

} // namespace

TfmQoData::TfmQoData(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("fmQoData"));
    setWindowFlags(Qt::Widget | Qt::FramelessWindowHint);

    pData = new QTabWidget(this);
    pData->setObjectName(QStringLiteral("pData"));
    tAddr = BuildTab("tAddr", kAddrList, lvAddr);
    tDate = BuildTab("tDate", kDateList, lvDate);
    tTask = BuildTab("tTask", kTaskList, lvTask);
    tNote = BuildTab("tNote", kNoteList, lvNote);
    AddTotalsRow(tAddr, "cbAddrAll", QStringLiteral("Display All Contacts Data"), "lblAddrCount", cbAddrAll,
                 lblAddrCount);
    AddTotalsRow(tDate, "cbDateAll", QStringLiteral("Display All Calendar Data"), "lblDateCount", cbDateAll,
                 lblDateCount);
    pData->addTab(tAddr, QStringLiteral("Contacts"));
    pData->addTab(tDate, QStringLiteral("Calendar"));
    pData->addTab(tTask, QStringLiteral("Task"));
    pData->addTab(tNote, QStringLiteral("Notes"));
    // Tasks and notes have services of their own but are not offered yet.
    pData->setTabVisible(pData->indexOf(tTask), false);
    pData->setTabVisible(pData->indexOf(tNote), false);
    // The report covers both tabs, so its button sits beside them; the row of buttons below has no
    // room left beside the case box's caption.
    auto* corner = new QWidget(pData);
    corner->setObjectName(QStringLiteral("pExport"));
    btnExport = MakeDialogButton(corner, "btnExport", QStringLiteral("&Export report..."));
    auto* cornerLayout = new QHBoxLayout(corner);
    cornerLayout->setContentsMargins(0, 0, 0, 2);
    cornerLayout->addWidget(btnExport);
    pData->setCornerWidget(corner, Qt::TopRightCorner);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->setSpacing(8);
    layout->addWidget(pData, 1);
    layout->addWidget(BuildButtonBar());

    connect(cbCase, &QCheckBox::clicked, this, &TfmQoData::cbCaseClick);
    connect(btnRefresh, &QPushButton::clicked, this, &TfmQoData::btnRefreshClick);
    connect(btnSelAll, &QPushButton::clicked, this, &TfmQoData::btnSelAllClick);
    connect(btnClear, &QPushButton::clicked, this, &TfmQoData::btnClearClick);
    connect(btnOption, &QPushButton::clicked, this, &TfmQoData::btnOptionClick);
    connect(btnExport, &QPushButton::clicked, this, &TfmQoData::btnExportClick);
    connect(cbAddrAll, &QCheckBox::clicked, this, &TfmQoData::cbAddrAllClick);
    connect(cbDateAll, &QCheckBox::clicked, this, &TfmQoData::cbDateAllClick);
    connect(lvAddr, &QTreeWidget::itemDoubleClicked, this, &TfmQoData::lvAddrDblClick);
    connect(lvDate, &QTreeWidget::itemDoubleClicked, this, &TfmQoData::lvDateDblClick);
    for (QTreeWidget* list : {lvAddr, lvDate}) {
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QTreeWidget::customContextMenuRequested, this,
                [this, list](const QPoint& at) { ShowRowMenu(list, at); });
    }
}

// A tab holding one list, which fills it.
QWidget* TfmQoData::BuildTab(const char* name, const ListShape& list, QTreeWidget*& built)
{
    auto* tab = new QWidget(pData);
    tab->setObjectName(QLatin1String(name));
    built = MakeReportList(tab, list);
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(built, 1);
    return tab;
}

// Under the list: the box that shows every record, and the number of records in total.
void TfmQoData::AddTotalsRow(QWidget* tab, const char* boxName, const QString& caption, const char* labelName,
                             QCheckBox*& showAll, QLabel*& count)
{
    showAll = MakeBox(tab, boxName, caption);
    count = new QLabel(tab);
    count->setObjectName(QLatin1String(labelName));
    count->setStyleSheet(QStringLiteral("color: blue;"));
    auto* row = new QHBoxLayout;
    row->addWidget(showAll);
    row->addStretch();
    row->addWidget(count);
    static_cast<QVBoxLayout*>(tab->layout())->addLayout(row);
}

QWidget* TfmQoData::BuildButtonBar()
{
    auto* bar = new QWidget(this);
    cbCase = MakeBox(bar, "cbCase", QStringLiteral("Case sensitive when checking duplicate items."));
    btnOption = MakeDialogButton(bar, "btnOption", QStringLiteral("&Options"));
    btnRefresh = MakeDialogButton(bar, "btnRefresh", QStringLiteral("&Refresh"));
    btnSelAll = MakeDialogButton(bar, "btnSelAll", QStringLiteral("Select All Dups"));
    btnClear = MakeDialogButton(bar, "btnClear", QStringLiteral("Clear Selection"));
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(cbCase);
    layout->addStretch();
    for (QPushButton* button : {btnOption, btnRefresh, btnSelAll, btnClear})
        layout->addWidget(button);
    return bar;
}

bool TfmQoData::IsShown(QWidget* tab) const
{
    return pData->isTabVisible(pData->indexOf(tab));
}

bool TfmQoData::TransferData(bool save)
{
    if (save) {
        TakeTicks();
        return ConfirmLargeDeletions();
    }
    pData->setTabVisible(pData->indexOf(tAddr), AppSettings.AppFlag & APP_CONTACTS);
    pData->setTabVisible(pData->indexOf(tDate), AppSettings.AppFlag & APP_CALENDAR);
    // The first application shown is in front: the contacts when chosen, else the calendar.
    pData->setCurrentWidget(IsShown(tAddr) ? tAddr : tDate);
    cbCase->setChecked(AppSettings.CaseSensitive);
    UpdateCaseBox();
    Rescan();
    // The keyboard starts in the list in front (the box the user typed in on the account page is
    // hidden now), so arrows and space go through the rows and their ticks.
    (IsShown(tAddr) ? lvAddr : lvDate)->setFocus();
    return true;
}

// Smart matching compares names, addresses and subjects in a normalised form of its own and never
// reads the case setting, so the box would change nothing there: it keeps its tick but cannot be
// changed until the exact rule is chosen again.
void TfmQoData::UpdateCaseBox()
{
    cbCase->setEnabled(AppSettings.MatchMode != MATCH_SMART);
}

// What every change of the rule or of the pairs kept apart ends in: a fresh scan, the duplicates
// listed again, every one ticked.
void TfmQoData::Rescan()
{
    ScanAll();
    FillAll(true);
}

void TfmQoData::ScanAll()
{
    if (IsShown(tAddr))
        ScanContactDuplicates();
    if (IsShown(tDate))
        ScanEventDuplicates();
}

void TfmQoData::FillAll(bool duplicatesOnly)
{
    if (IsShown(tAddr))
        FillAddr(duplicatesOnly);
    if (IsShown(tDate))
        FillDate(duplicatesOnly);
}

void TfmQoData::FillAddr(bool duplicatesOnly)
{
    if (!g_pAddrDupList)
        return;
    ReplaceRows(lvAddr, duplicatesOnly ? RowsOf(*lvAddr, &FirstAddrDup, &NextAddrDup, true)
                                       : RowsOf(*lvAddr, &FirstContact, &NextContact, false));
    pData->setTabText(pData->indexOf(tAddr), CountCaption("Contacts", DupCount(g_pAddrDupList)));
    const CommAddrMgr* manager = g_pAddrUtil ? g_pAddrUtil->GetAddrMgr() : nullptr;
    lblAddrCount->setText(QStringLiteral("%1 Contact records in total").arg(manager ? manager->GetRecordCount() : 0));
}

void TfmQoData::FillDate(bool duplicatesOnly)
{
    if (!g_pDateDupList)
        return;
    ReplaceRows(lvDate, duplicatesOnly ? RowsOf(*lvDate, &FirstDateDup, &NextDateDup, true)
                                       : RowsOf(*lvDate, &FirstEvent, &NextEvent, false));
    pData->setTabText(pData->indexOf(tDate), CountCaption("Calendar", DupCount(g_pDateDupList)));
    const CommDateMgr* manager = g_pDateUtil ? g_pDateUtil->GetDateMgr() : nullptr;
    lblDateCount->setText(QStringLiteral("%1 Calendar records in total").arg(manager ? manager->GetRecordCount() : 0));
}

void TfmQoData::TakeTicks()
{
    if (IsShown(tAddr))
        TakeListTicks<GAddrRecord>(lvAddr, g_pAddrDupList);
    if (IsShown(tDate))
        TakeListTicks<GDateRecord>(lvDate, g_pDateDupList);
}

// A slip of "Select All Dups" in the show-all view, or a rule that matches far too much, would take
// most of an account: such a deletion is asked about first, per application, and No stays here.
bool TfmQoData::ConfirmLargeDeletions()
{
    struct Application
    {
        QWidget* tab;
        CxList* dupList;
        uint32_t loaded;
        const char* records;
    };
    const CommAddrMgr* contacts = g_pAddrUtil ? g_pAddrUtil->GetAddrMgr() : nullptr;
    const CommDateMgr* events = g_pDateUtil ? g_pDateUtil->GetDateMgr() : nullptr;
    const Application applications[] = {
        {tAddr, g_pAddrDupList, contacts ? contacts->GetRecordCount() : 0u, "contacts"},
        {tDate, g_pDateDupList, events ? events->GetRecordCount() : 0u, "calendar events"},
    };
    for (const Application& a : applications) {
        if (!IsShown(a.tab) || !a.dupList)
            continue;
        const uint32_t ticked = SelectedCount(a.dupList, a.tab == tAddr);
        if (!IsLargeDeletion(ticked, a.loaded))
            continue;
        const QString question = QStringLiteral("You are about to delete %1 of %2 %3. Continue?")
                                     .arg(ticked)
                                     .arg(a.loaded)
                                     .arg(QLatin1String(a.records));
        if (AppQuestionBox(this, question, QStringLiteral("Confirm Deletion"), QMessageBox::No) != QMessageBox::Yes)
            return false;
    }
    return true;
}

void TfmQoData::TickAll(bool ticked)
{
    for (QTreeWidget* list : {lvAddr, lvDate}) {
        if (!IsShown(list == lvAddr ? tAddr : tDate))
            continue;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            SetTicked(list->topLevelItem(i), ticked);
    }
}

void TfmQoData::cbCaseClick()
{
    AppSettings.CaseSensitive = cbCase->isChecked();
    Rescan();
}

void TfmQoData::btnRefreshClick()
{
    Rescan();
}

void TfmQoData::btnSelAllClick()
{
    TickAll(true);
}

void TfmQoData::btnClearClick()
{
    TickAll(false);
}

void TfmQoData::btnOptionClick()
{
    TfmDupOption dialog(this);
    dialog.TransferData(false);
    if (ExecModalDialog(dialog) != QDialog::Accepted)
        return;
    UpdateCaseBox();
    Rescan();
}

void TfmQoData::cbAddrAllClick()
{
    FillAddr(!cbAddrAll->isChecked());
}

void TfmQoData::cbDateAllClick()
{
    FillDate(!cbDateAll->isChecked());
}

// A duplicate opens beside the record it duplicates; any other record (show-all) in its detail dialog.
void TfmQoData::lvAddrDblClick()
{
    auto* r = static_cast<GAddrRecord*>(RowRecord(lvAddr->currentItem()));
    if (!r || !lvAddr->currentItem()->isSelected())
        return;
    if (IsReviewDuplicate(*r) ? ShowContactComparison(this, *r) : ShowContactDetail(this, r->pMgrNode, g_pAddrUtil))
        Rescan();
}

void TfmQoData::lvDateDblClick()
{
    auto* r = static_cast<GDateRecord*>(RowRecord(lvDate->currentItem()));
    if (!r || !lvDate->currentItem()->isSelected())
        return;
    if (IsReviewDuplicate(*r) ? ShowEventComparison(this, *r) : ShowEventDetail(this, r->pMgrNode, g_pDateUtil))
        Rescan();
}

void TfmQoData::btnExportClick()
{
    // The report tells what Next would delete: the ticks as they stand now.
    TakeTicks();
    const SaveFileRequest request{QStringLiteral("Export Report"),
                                  QDir::home().filePath(QStringLiteral("Qosweep report.csv")), kReportFilters};
    SaveFileAnswer answer = AskSaveFileName(this, request);
    if (answer.path.isEmpty())
        return;
    const ReportFormat format = ChosenFormat(answer.path, answer.filter);
    std::string fault;
    if (WriteReviewReport(answer.path.toStdString(), format, fault))
        return;
    // The fault is a whole sentence saying why; one without it still names the file.
    AppMessageBox(
        this, fault.empty()
                  ? QStringLiteral("The report could not be written to %1.").arg(QDir::toNativeSeparators(answer.path))
                  : QString::fromStdString(fault));
}

std::unique_ptr<QMenu> TfmQoData::MakeRowMenu(QTreeWidget* list, QTreeWidgetItem* row)
{
    const void* record = RowRecord(row);
    if (!record)
        return nullptr;
    auto menu = std::make_unique<QMenu>(this);
    menu->setObjectName(QStringLiteral("mnuRow"));
    QAction* notDuplicate = menu->addAction(QStringLiteral("&Not a duplicate"));
    notDuplicate->setObjectName(QStringLiteral("actNotDuplicate"));
    notDuplicate->setEnabled(list == lvAddr ? CanKeepApart(*static_cast<const GAddrRecord*>(record))
                                            : CanKeepApart(*static_cast<const GDateRecord*>(record)));
    // The row may be gone by the time the action fires (a rescan refills the list); the action
    // finds it again by its record.
    connect(notDuplicate, &QAction::triggered, this, [this, list, record] {
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (RowRecord(list->topLevelItem(i)) == record)
                return NotDuplicateClick(list, list->topLevelItem(i));
    });
    return menu;
}

void TfmQoData::NotDuplicateClick(QTreeWidget* list, QTreeWidgetItem* row)
{
    const void* record = RowRecord(row);
    if (!record)
        return;
    const bool kept = list == lvAddr ? KeepApart(*static_cast<const GAddrRecord*>(record))
                                     : KeepApart(*static_cast<const GDateRecord*>(record));
    if (kept)
        Rescan();
}

void TfmQoData::ShowRowMenu(QTreeWidget* list, const QPoint& at)
{
    if (std::unique_ptr<QMenu> menu = MakeRowMenu(list, list->itemAt(at)))
        menu->exec(list->viewport()->mapToGlobal(at));
}
