// Shows each window of the wizard in turn on a real display and saves a picture of the whole screen,
// so the look can be checked by eye. Run it through scripts/screenshots, which gives it a virtual
// display and a data folder of its own.
#include "app/RecordList.h"
#include "app/TQoApplication.h"
#include "app/TfmDebug.h"
#include "app/TfmDump.h"
#include "app/TfmDupOption.h"
#include "app/TfmMain.h"
#include "app/TfmQoClean.h"
#include "app/TfmQoCompare.h"
#include "app/TfmQoData.h"
#include "app/TfmQoSource.h"
#include "app/TfmQoTrash.h"
#include "app/core/AppSettings.h"
#include "app/core/EventScan.h"
#include "app/core/NotDuplicates.h"
#include "app/core/ServiceSet.h"
#include "app/detail/TfmQoAddrDetail.h"
#include "app/detail/TfmQoDateDetail.h"
#include "common/google/CxCommWaitWindow.h"
#include "common/google/CxGAppBaseUtil.h"
#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

namespace {

bool SaveScreen(const QString& folder, const char* name)
{
    QTest::qWait(400); // let the windows map and paint
    const QString path = QDir(folder).filePath(QLatin1String(name));
    const bool saved = QGuiApplication::primaryScreen()->grabWindow(0).save(path);
    std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(path));
    return saved;
}

bool ShowAndSave(QWidget& window, const QString& folder, const char* name)
{
    window.show();
    window.raise();
    const bool saved = SaveScreen(folder, name);
    window.hide();
    return saved;
}

// The record behind the list's row with the most filled columns, so the detail dialog has much to show.
template <typename Record>
decltype(Record::pMgrNode) FullestRecord(QTreeWidget* list)
{
    Record* best = nullptr;
    int bestFilled = -1;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        int filled = 0;
        for (int c = 0; c < list->columnCount(); ++c)
            filled += list->topLevelItem(i)->text(c).isEmpty() ? 0 : 1;
        if (filled > bestFilled) {
            bestFilled = filled;
            best = static_cast<Record*>(RowRecord(list->topLevelItem(i)));
        }
    }
    return best ? best->pMgrNode : nullptr;
}

CommDateRecord* FirstRecurringEvent()
{
    for (GDateRecord* r = FirstEvent(); r; r = NextEvent())
        if (r->nRecurrenceType != 0)
            return r->pMgrNode;
    return nullptr;
}

// The review page with both tabs, a detail dialog of each kind, and the deletion page once it is done;
// the demo account loads through the helper programs beside this program.
bool SaveWizardPages(TfmMain& main, const QString& folder)
{
    main.SourcePage()->cbAddr->setChecked(true);
    main.SourcePage()->cbDate->setChecked(true);
    main.btnNextClick();
    if (main.CurrentPage() != 1) {
        std::fprintf(stderr, "the demo account did not load\n");
        return false;
    }
    bool ok = SaveScreen(folder, "review-contacts.png");
    TfmQoData& review = *main.DataPage();
    // The columns a duplicate's row gains: its kept record, what matched, what would be lost.
    review.lvAddr->horizontalScrollBar()->setValue(review.lvAddr->horizontalScrollBar()->maximum());
    ok = SaveScreen(folder, "review-contacts-kept.png") && ok;
    review.lvAddr->horizontalScrollBar()->setValue(0);
    review.pData->setCurrentWidget(review.tDate);
    ok = SaveScreen(folder, "review-calendar.png") && ok;

    if (auto* duplicate = static_cast<GAddrRecord*>(RowRecord(review.lvAddr->topLevelItem(0)));
        duplicate && duplicate->pKept) {
        TfmQoCompare compare(&main, CompareContacts(*duplicate, *duplicate->pKept), {}, {});
        ok = ShowAndSave(compare, folder, "compare-contact.png") && ok;
    }

    TfmQoAddrDetail contact(&main);
    contact.SetUtil(g_pAddrUtil);
    contact.SetRecord(FullestRecord<GAddrRecord>(review.lvAddr));
    ok = ShowAndSave(contact, folder, "contact-detail.png") && ok;
    contact.pMain->setCurrentIndex(1);
    ok = ShowAndSave(contact, folder, "contact-detail-addresses.png") && ok;
    TfmQoDateDetail event(&main);
    event.SetUtil(g_pDateUtil);
    event.SetRecord(FullestRecord<GDateRecord>(review.lvDate));
    ok = ShowAndSave(event, folder, "event-detail.png") && ok;
    if (CommDateRecord* recurring = FirstRecurringEvent()) {
        TfmQoDateDetail series(&main);
        series.SetUtil(g_pDateUtil);
        series.SetRecord(recurring);
        series.pDate->setCurrentIndex(1);
        ok = ShowAndSave(series, folder, "event-detail-recurrence.png") && ok;
    }

    main.btnNextClick();
    auto* bar = main.CleanPage()->findChild<QProgressBar*>(QStringLiteral("pbDel"));
    if (!QTest::qWaitFor([bar] { return bar && bar->value() == 100; }, 60000)) {
        std::fprintf(stderr, "the deletion did not finish\n");
        return false;
    }
    ok = SaveScreen(folder, "deletion-finished.png") && ok;
    // The deletion just made, as the undo link lists it.
    TfmQoTrash trash(&main, "0000-00-00 00:00:00");
    return ShowAndSave(trash, folder, "deleted-items.png") && ok;
}

} // namespace

int main(int argc, char** argv)
{
    TQoApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    bool ok = true;

    TfmMain main;
    main.SourcePage()->edtEmail->setText(QStringLiteral("demo@example.com"));
    main.SourcePage()->edtPassword->setText(QStringLiteral("demo"));
    main.show();
    ok = SaveScreen(folder, "account-page.png") && ok;

    StartWaitWindow(main.SourcePage());
    SetWaitText("Loading Google Contacts...");
    ok = SaveScreen(folder, "wait-window.png") && ok;
    StopWaitWindow();

    // A load that fails at once (no helper programs where it looks), to see the message over the
    // wait window.
    QTemporaryDir noHelpers;
    SetHelperProgramFolder((noHelpers.path() + QLatin1Char('/')).toUtf8().constData());
    QTimer::singleShot(1500, [&] {
        ok = SaveScreen(folder, "load-failed.png") && ok;
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
    main.SourcePage()->TransferData(true);
    SetHelperProgramFolder("");

    TfmDupOption rules(main.SourcePage());
    rules.TransferData(false);
    ok = ShowAndSave(rules, folder, "rule-dialog.png") && ok;
    rules.pMain->setCurrentIndex(1);
    ok = ShowAndSave(rules, folder, "rule-dialog-calendar.png") && ok;
    {
        // Smart matching chosen and a few pairs kept apart, in memory only: nothing is saved, and
        // the wizard pages below are scanned without them.
        g_notDuplicates.Add(PairKind::Contact, "c1", "c2", "Ann Lee <ann@home.example>", "Ann Lee <ann@work.example>");
        g_notDuplicates.Add(PairKind::Event, "Work/e1", "Work/e2", "Team review, 3/1/2024 10:00:00",
                            "Team review, 3/8/2024 10:00:00");
        g_notDuplicates.Add(PairKind::Contact, "c3", "c4", "Bo Chen", "Bo Chen <bo@example.org>");
        const int32_t mode = AppSettings.MatchMode;
        AppSettings.MatchMode = MATCH_SMART;
        TfmDupOption smart(main.SourcePage());
        smart.TransferData(false);
        ok = ShowAndSave(smart, folder, "rule-dialog-smart.png") && ok;
        AppSettings.MatchMode = mode;
        g_notDuplicates.Clear();
    }
    TfmDebug debug(&main);
    ok = ShowAndSave(debug, folder, "debug-options.png") && ok;
    TfmDump dump(&main);
    ok = ShowAndSave(dump, folder, "apology.png") && ok;
    ok = SaveWizardPages(main, folder) && ok;
    return ok ? 0 : 1;
}
