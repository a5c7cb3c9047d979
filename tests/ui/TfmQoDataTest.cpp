// The review page: counts, tabs, tick marks into the records' selection, show-all, rescans, what a
// duplicate's row tells, the comparison and detail dialogs, the report and the question before a
// large deletion, on an in-memory service set.

#include "app/TfmQoData.h"
#include "app/RecordList.h"
#include "app/ReviewRows.h"
#include "app/TfmDupOption.h"
#include "app/TfmQoClean.h"
#include "app/TfmQoCompare.h"
#include "app/TfmQoSource.h"
#include "app/core/ContactScan.h"
#include "app/core/NotDuplicates.h"
#include "app/detail/TfmQoAddrDetail.h"
#include "app/detail/TfmQoDateDetail.h"
#include "tests/support/ServiceRecords.h"
#include "tests/support/WizardTest.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

namespace {

class TfmQoDataTest : public WizardTest
{
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        // The main window reads the settings when it is made; the test's settings come after.
        Window();
        InstallEmptyServices(m_home.path());
        AppSettings.AppFlag = APP_CONTACTS | APP_CALENDAR;
    }

    TfmQoData& Page() { return *Window().DataPage(); }

    // Pairs of contacts sharing name and address (the older of each pair is the duplicate), then
    // singles that match nothing.
    void AddContacts(int pairs, int singles)
    {
        for (int i = 0; i < pairs; ++i) {
            const std::string name = "Pair " + std::to_string(i);
            const std::string email = "pair" + std::to_string(i) + "@example.com";
            for (const double modified : {100, 200}) {
                RecordPtr<GAddrRecord> contact = MakeContact(name.c_str(), email.c_str(), modified);
                CopyText(contact->szHelperText, ContactItem(i, modified).c_str());
                AddContact(*contact);
            }
        }
        for (int i = 0; i < singles; ++i) {
            const std::string name = "Single " + std::to_string(i);
            AddContact(*MakeContact(name.c_str(), (name + "@example.com").c_str()));
        }
    }

    // "Ann Lee" twice, the older copy with company olderCompany and the newer with newerCompany, and
    // the event "Review" twice, in "Room 1" and then "Room 2": one duplicate each, shown on the page.
    void AddPairsDifferingIn(const char* olderCompany, const char* newerCompany)
    {
        RecordPtr<GAddrRecord> older = MakeContact("Ann Lee", "ann@example.com", 100);
        CopyText(older->szCompanyName, olderCompany);
        AddContact(*older);
        RecordPtr<GAddrRecord> newer = MakeContact("Ann Lee", "ann@example.com", 200);
        CopyText(newer->szCompanyName, newerCompany);
        AddContact(*newer);
        for (const auto& [modified, location] : {std::pair{100.0, "Room 1"}, std::pair{200.0, "Room 2"}}) {
            RecordPtr<GDateRecord> event = MakeEvent("Review", 45000.375, 45000.4375, modified);
            CopyText(event->szLocation, location);
            AddEvent(*event);
        }
        Page().TransferData(false);
    }

    void AddEventPairs(int pairs)
    {
        for (int i = 0; i < pairs; ++i) {
            const std::string subject = "Meeting " + std::to_string(i);
            for (const double modified : {100, 200}) {
                RecordPtr<GDateRecord> event = MakeEvent(subject.c_str(), 45000 + i, 45000.5 + i, modified);
                CopyText(event->szHelperTextB, EventItem(i, modified).c_str());
                CopyText(event->szHelperTextC, "Work");
                AddEvent(*event);
            }
        }
    }

    // The helper texts of the fixture's pairs: an item name, then the content identity. The older
    // record of each pair is the duplicate.
    static std::string ContactItem(int pair, double modified)
    {
        return "c" + std::to_string(pair) + (modified < 150 ? "-old" : "-new") + "/rev1";
    }
    static std::string EventItem(int pair, double modified)
    {
        return "e" + std::to_string(pair) + (modified < 150 ? "-old" : "-new") + "/rev1";
    }

    QTreeWidget* List(PairKind kind) { return kind == PairKind::Contact ? Page().lvAddr : Page().lvDate; }

    // The identities of the records the rows stand for, in row order.
    std::vector<std::string> RowIdentities(PairKind kind)
    {
        std::vector<std::string> ids;
        QTreeWidget* list = List(kind);
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const void* r = RowRecord(list->topLevelItem(i));
            ids.push_back(kind == PairKind::Contact ? ContactIdentity(*static_cast<const GAddrRecord*>(r))
                                                    : EventIdentity(*static_cast<const GDateRecord*>(r)));
        }
        return ids;
    }

    static QAction* NotDuplicateAction(QMenu* menu)
    {
        return menu ? menu->findChild<QAction*>(QStringLiteral("actNotDuplicate")) : nullptr;
    }

    // The pairs the file in the data folder holds, read back by a store of its own.
    std::vector<NotDuplicatePair> SavedPairs()
    {
        NotDuplicates saved;
        EXPECT_TRUE(saved.Load(m_dataFolder + kNotDuplicatesFile));
        return saved.Pairs();
    }

    QString TabText(QWidget* tab) { return Page().pData->tabText(Page().pData->indexOf(tab)); }
    bool TabShown(QWidget* tab) { return Page().pData->isTabVisible(Page().pData->indexOf(tab)); }

    static std::vector<bool> Ticks(QTreeWidget* list)
    {
        std::vector<bool> ticks;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            ticks.push_back(list->topLevelItem(i)->checkState(0) == Qt::Checked);
        return ticks;
    }

    static QTreeWidgetItem* RowNamed(QTreeWidget* list, const QString& caption)
    {
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(0) == caption)
                return list->topLevelItem(i);
        ADD_FAILURE() << caption.toStdString();
        return nullptr;
    }

    static GAddrRecord* ContactNamed(const char* name, bool duplicate)
    {
        for (GAddrRecord* r = FirstContact(); r; r = NextContact())
            if (std::string(r->szDisplayName) == name && ((r->dwFlags & REC_DUPLICATE) != 0) == duplicate)
                return r;
        ADD_FAILURE() << name;
        return nullptr;
    }
};

TEST_F(TfmQoDataTest, TabCaptionsCountTheDuplicatesAndTheLabelsEveryRecord)
{
    struct Case
    {
        int pairs;
        const char* contacts;
        const char* calendar;
    };
    const Case cases[] = {
        {0, "Contacts (0 Dup)", "Calendar (0 Dup)"},
        {1, "Contacts (1 Dup)", "Calendar (1 Dup)"},
        {2, "Contacts (2 Dups)", "Calendar (2 Dups)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pairs);
        InstallEmptyServices(m_home.path());
        AddContacts(c.pairs, 3);
        AddEventPairs(c.pairs);
        ASSERT_TRUE(Page().TransferData(false));
        EXPECT_EQ(c.contacts, TabText(Page().tAddr));
        EXPECT_EQ(c.calendar, TabText(Page().tDate));
        EXPECT_EQ(QString("%1 Contact records in total").arg(2 * c.pairs + 3), Page().lblAddrCount->text());
        EXPECT_EQ(QString("%1 Calendar records in total").arg(2 * c.pairs), Page().lblDateCount->text());
        EXPECT_EQ(c.pairs, Page().lvAddr->topLevelItemCount());
        EXPECT_EQ(std::vector<bool>(static_cast<size_t>(c.pairs), true), Ticks(Page().lvAddr));
    }
}

TEST_F(TfmQoDataTest, RowsShowTheRecordsFields)
{
    RecordPtr<GAddrRecord> older = MakeContact("Ann Lee", "ann@example.com", 100);
    CopyText(older->szPhonePrimary, "+1 555 0100");
    CopyText(older->szCompanyName, "Acorn Labs");
    CopyText(older->szJobTitle, "Engineer");
    AddContact(*older);
    AddContact(*MakeContact("Ann Lee", "ann@example.com", 200));
    // Start time 0 and an all-day flag, then a timed event: times of day, "N/A" for an unset one.
    for (double modified : {100, 200}) {
        RecordPtr<GDateRecord> allDay = MakeEvent("Holiday", 0, 45001.0, modified);
        allDay->nAllDayEvent = 1;
        CopyText(allDay->szLocation, "Beach");
        AddEvent(*allDay);
        AddEvent(*MakeEvent("Call", 45000.375, 45000.4375 + 1.0 / 86400, modified));
    }
    Page().TransferData(false);

    const QTreeWidgetItem* contact = Page().lvAddr->topLevelItem(0);
    ASSERT_NE(nullptr, contact);
    const QStringList contactTexts = {"Ann Lee", "ann@example.com", "+1 555 0100", "Acorn Labs", "Engineer"};
    for (int column = 0; column < contactTexts.size(); ++column)
        EXPECT_EQ(contactTexts[column], contact->text(column)) << column;

    const std::vector<std::vector<QString>> events = {{"Holiday", "N/A", "00:00:00", "Yes", "Beach"},
                                                      {"Call", "09:00:00", "10:30:01", "No", ""}};
    ASSERT_EQ(2, Page().lvDate->topLevelItemCount());
    for (const std::vector<QString>& expected : events) {
        const QTreeWidgetItem* row = RowNamed(Page().lvDate, expected[0]);
        ASSERT_NE(nullptr, row);
        for (int column = 1; column < 5; ++column)
            EXPECT_EQ(expected[static_cast<size_t>(column)], row->text(column)) << column;
    }
}

TEST_F(TfmQoDataTest, OnlyTheChosenApplicationIsShownScannedAndTaken)
{
    AddContacts(2, 0);
    AddEventPairs(1);
    AppSettings.AppFlag = APP_CALENDAR;
    Page().TransferData(false);

    EXPECT_FALSE(TabShown(Page().tAddr));
    EXPECT_TRUE(TabShown(Page().tDate));
    EXPECT_FALSE(TabShown(Page().tTask));
    EXPECT_FALSE(TabShown(Page().tNote));
    EXPECT_EQ(Page().tDate, Page().pData->currentWidget());
    // The contact scan did not run: duplicates are there, but none is marked or listed.
    EXPECT_EQ(0u, g_pAddrDupList->GetCount());
    EXPECT_EQ(0, Page().lvAddr->topLevelItemCount());
    EXPECT_EQ(1u, g_pDateDupList->GetCount());

    Page().btnSelAllClick();
    Page().TransferData(true);
    for (GAddrRecord* r = FirstContact(); r; r = NextContact())
        EXPECT_EQ(0u, r->dwFlags & REC_SELECTED);
}

TEST_F(TfmQoDataTest, BothApplicationsShowBothTabsWithTheContactsInFront)
{
    AppSettings.AppFlag = APP_CONTACTS | APP_CALENDAR | APP_TASKS | APP_NOTES;
    Page().TransferData(false);
    EXPECT_TRUE(TabShown(Page().tAddr));
    EXPECT_TRUE(TabShown(Page().tDate));
    EXPECT_FALSE(TabShown(Page().tTask));
    EXPECT_FALSE(TabShown(Page().tNote));
    EXPECT_EQ(Page().tAddr, Page().pData->currentWidget());
}

// A main window whose load leaves the in-memory service set as the test made it.
class InMemoryMain : public TfmMain
{
public:
    bool LoadServices() override { return true; }
};

TEST_F(TfmQoDataTest, TheKeyboardStartsInTheListInFront)
{
    struct Case
    {
        bool contacts;
        const char* focus;
    };
    const Case cases[] = {{true, "lvAddr"}, {false, "lvDate"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.focus);
        m_window = std::make_unique<InMemoryMain>();
        TfmQoSource& source = *Window().SourcePage();
        source.edtEmail->setText("ann@example.com");
        source.edtPassword->setText("secret");
        source.cbAddr->setChecked(c.contacts);
        source.cbDate->setChecked(true);
        Window().show();
        Window().btnNextClick();
        ASSERT_EQ(1, Window().CurrentPage());
        QWidget* focus = Window().focusWidget();
        ASSERT_NE(nullptr, focus);
        EXPECT_EQ(QString(c.focus), focus->objectName());
        EXPECT_TRUE(focus->isVisible());
    }
}

TEST_F(TfmQoDataTest, NextTurnsTheTicksIntoSelectionAndAppendsRecordsTickedInShowAll)
{
    AddContacts(1, 2);
    Page().TransferData(false);
    GAddrRecord* duplicate = ContactNamed("Pair 0", true);
    ASSERT_EQ(std::vector<GAddrRecord*>{duplicate}, ListRecords<GAddrRecord>(*g_pAddrDupList));

    Page().cbAddrAll->click();
    ASSERT_EQ(4, Page().lvAddr->topLevelItemCount());
    EXPECT_EQ(std::vector<bool>(4, false), Ticks(Page().lvAddr));
    EXPECT_EQ("Contacts (1 Dup)", TabText(Page().tAddr));
    SetTicked(RowNamed(Page().lvAddr, "Single 1"), true);
    Page().TransferData(true);

    GAddrRecord* single = ContactNamed("Single 1", false);
    EXPECT_EQ((std::vector<GAddrRecord*>{duplicate, single}), ListRecords<GAddrRecord>(*g_pAddrDupList));
    EXPECT_NE(0u, single->dwFlags & REC_SELECTED);
    // The duplicate's row was not ticked in the show-all view: it stays listed but is not selected.
    EXPECT_EQ(0u, duplicate->dwFlags & REC_SELECTED);

    // Ticking it again adds nothing twice.
    Page().btnSelAllClick();
    Page().TransferData(true);
    EXPECT_EQ(4u, g_pAddrDupList->GetCount());
    Page().TransferData(true);
    EXPECT_EQ(4u, g_pAddrDupList->GetCount());
}

TEST_F(TfmQoDataTest, AnUntickedDuplicateStaysListedWithoutSelection)
{
    AddContacts(2, 0);
    AddEventPairs(1);
    Page().TransferData(false);
    SetTicked(Page().lvAddr->topLevelItem(0), false);
    Page().TransferData(true);

    const std::vector<GAddrRecord*> listed = ListRecords<GAddrRecord>(*g_pAddrDupList);
    ASSERT_EQ(2u, listed.size());
    EXPECT_EQ(RowRecord(Page().lvAddr->topLevelItem(0)), listed[0]);
    EXPECT_EQ(0u, listed[0]->dwFlags & REC_SELECTED);
    EXPECT_NE(0u, listed[1]->dwFlags & REC_SELECTED);
    EXPECT_NE(0u, static_cast<GDateRecord*>(g_pDateDupList->GetFirst())->dwFlags & REC_SELECTED);
}

TEST_F(TfmQoDataTest, RescansTickEveryDuplicateAgainAndShowDuplicatesOnly)
{
    AddContacts(2, 1);
    Page().TransferData(false);
    SetTicked(Page().lvAddr->topLevelItem(1), false);
    Page().btnRefreshClick();
    EXPECT_EQ(std::vector<bool>(2, true), Ticks(Page().lvAddr));

    Page().cbAddrAll->click();
    EXPECT_EQ(5, Page().lvAddr->topLevelItemCount());
    Page().btnRefreshClick();
    EXPECT_EQ(2, Page().lvAddr->topLevelItemCount());
    EXPECT_TRUE(Page().cbAddrAll->isChecked());
    // Unticking the box goes back to the duplicates without a scan.
    Page().cbAddrAll->click();
    EXPECT_EQ(std::vector<bool>(2, true), Ticks(Page().lvAddr));
}

TEST_F(TfmQoDataTest, SelectAllAndClearTickEveryRowOfEveryShownList)
{
    AddContacts(2, 0);
    AddEventPairs(2);
    Page().TransferData(false);
    Page().btnClearClick();
    EXPECT_EQ(std::vector<bool>(2, false), Ticks(Page().lvAddr));
    EXPECT_EQ(std::vector<bool>(2, false), Ticks(Page().lvDate));
    Page().btnSelAllClick();
    EXPECT_EQ(std::vector<bool>(2, true), Ticks(Page().lvAddr));
    EXPECT_EQ(std::vector<bool>(2, true), Ticks(Page().lvDate));
}

TEST_F(TfmQoDataTest, TheCaseBoxStoresTheSettingAndRescans)
{
    AddContact(*MakeContact("Ann Lee", "ann@example.com", 100));
    AddContact(*MakeContact("ANN LEE", "Ann@Example.com", 200));
    AppSettings.CaseSensitive = false;
    Page().TransferData(false);
    EXPECT_FALSE(Page().cbCase->isChecked());
    EXPECT_EQ("Contacts (1 Dup)", TabText(Page().tAddr));

    Page().cbCase->click();
    EXPECT_TRUE(AppSettings.CaseSensitive);
    EXPECT_EQ("Contacts (0 Dup)", TabText(Page().tAddr));
    EXPECT_EQ(0, Page().lvAddr->topLevelItemCount());

    Page().cbCase->click();
    EXPECT_FALSE(AppSettings.CaseSensitive);
    EXPECT_EQ(1, Page().lvAddr->topLevelItemCount());
}

TEST_F(TfmQoDataTest, TheRuleDialogRescansOnlyWhenClosedWithOK)
{
    // Same name, other addresses: a duplicate only once the rule stops comparing addresses.
    AddContact(*MakeContact("Ann Lee", "ann@example.com", 100));
    AddContact(*MakeContact("Ann Lee", "lee@example.com", 200));
    AddContacts(1, 0);
    Page().TransferData(false);
    SetTicked(Page().lvAddr->topLevelItem(0), false);

    for (const int result : {QDialog::Rejected, QDialog::Accepted}) {
        SCOPED_TRACE(result);
        m_onDialog = [result](QDialog& dialog) {
            auto& options = dynamic_cast<TfmDupOption&>(dialog);
            options.Box("cbAddrEmail")->setChecked(false);
            if (result == QDialog::Accepted)
                options.btnOKClick();
            return result;
        };
        Page().btnOptionClick();
    }
    ASSERT_EQ((std::vector<QString>{"fmDupOption", "fmDupOption"}), m_dialogs);
    EXPECT_EQ(&Page(), m_dialogOwners[0]);
    EXPECT_FALSE(AppSettings.AddrEmail);
    EXPECT_EQ("Contacts (2 Dups)", TabText(Page().tAddr));
    EXPECT_EQ(std::vector<bool>(2, true), Ticks(Page().lvAddr));
}

TEST_F(TfmQoDataTest, CancellingTheRuleDialogNeitherRescansNorRefills)
{
    AddContact(*MakeContact("Ann Lee", "ann@example.com", 100));
    AddContact(*MakeContact("Ann Lee", "lee@example.com", 200));
    AddContacts(1, 0);
    Page().TransferData(false);
    SetTicked(Page().lvAddr->topLevelItem(0), false);
    m_onDialog = [](QDialog& dialog) {
        dynamic_cast<TfmDupOption&>(dialog).Box("cbAddrEmail")->setChecked(false);
        return QDialog::Rejected;
    };
    Page().btnOptionClick();
    EXPECT_TRUE(AppSettings.AddrEmail);
    EXPECT_EQ("Contacts (1 Dup)", TabText(Page().tAddr));
    EXPECT_EQ(std::vector<bool>{false}, Ticks(Page().lvAddr));
}

TEST_F(TfmQoDataTest, DoubleClickOpensADuplicateBesideItsKeptRecord)
{
    AddContacts(1, 0);
    AddEventPairs(1);
    Page().TransferData(false);
    // Nothing selected: nothing opens.
    Page().lvAddrDblClick();
    Page().lvDateDblClick();
    EXPECT_TRUE(m_dialogs.empty());

    Page().lvAddr->setCurrentItem(Page().lvAddr->topLevelItem(0));
    Page().lvAddrDblClick();
    Page().lvDate->setCurrentItem(Page().lvDate->topLevelItem(0));
    Page().lvDateDblClick();
    EXPECT_EQ((std::vector<QString>{"fmQoCompare", "fmQoCompare"}), m_dialogs);
    EXPECT_EQ((std::vector<QWidget*>{&Page(), &Page()}), m_dialogOwners);
}

TEST_F(TfmQoDataTest, WithoutALoadTheListsStayEmpty)
{
    FreeServices();
    ASSERT_TRUE(Page().TransferData(false));
    EXPECT_EQ(0, Page().lvAddr->topLevelItemCount());
    EXPECT_EQ("Contacts", TabText(Page().tAddr));
    Page().cbAddrAll->click();
    Page().btnSelAllClick();
    EXPECT_TRUE(Page().TransferData(true));
}

// The two kinds go the same way through the menu and the detail dialogs.
struct KindCase
{
    PairKind kind;
    const char* duplicate; // the identity of the row taken, the older record of pair 0
    const char* kept;
    const char* otherRow; // what is left listed
    const char* caption;  // the tab's caption afterwards
    const char* label;    // what the store shows of the duplicate
};

const KindCase kKinds[] = {
    {PairKind::Contact, "c0-old", "c0-new", "c1-old", "Contacts (1 Dup)", "Pair 0 <pair0@example.com>"},
    {PairKind::Event, "Work/e0-old", "Work/e0-new", "Work/e1-old", "Calendar (1 Dup)", "Meeting 0"},
};

TEST_F(TfmQoDataTest, NotADuplicateFromTheRowMenuRemovesTheRowAndRemembersThePair)
{
    for (const KindCase& c : kKinds) {
        SCOPED_TRACE(c.duplicate);
        InstallEmptyServices(m_home.path());
        g_notDuplicates.Clear();
        AddContacts(2, 1);
        AddEventPairs(2);
        Page().TransferData(false);
        QTreeWidget* list = List(c.kind);
        ASSERT_EQ((std::vector<std::string>{c.duplicate, c.otherRow}), RowIdentities(c.kind));
        // The other row unticked: the rescan ticks every duplicate again, as every rescan does.
        SetTicked(list->topLevelItem(1), false);

        std::unique_ptr<QMenu> menu = Page().MakeRowMenu(list, list->topLevelItem(0));
        QAction* action = NotDuplicateAction(menu.get());
        ASSERT_NE(nullptr, action);
        EXPECT_EQ(QString("&Not a duplicate"), action->text());
        ASSERT_TRUE(action->isEnabled());
        action->trigger();

        EXPECT_EQ(std::vector<std::string>{c.otherRow}, RowIdentities(c.kind));
        EXPECT_EQ(std::vector<bool>{true}, Ticks(list));
        EXPECT_EQ(c.caption, TabText(c.kind == PairKind::Contact ? Page().tAddr : Page().tDate));
        EXPECT_TRUE(g_notDuplicates.Contains(c.kind, c.duplicate, c.kept));
        const std::vector<NotDuplicatePair> saved = SavedPairs();
        ASSERT_EQ(1u, saved.size());
        EXPECT_EQ(c.kind, saved[0].kind);
        EXPECT_EQ((std::vector<std::string>{c.kept, c.duplicate}),
                  (std::vector<std::string>{saved[0].first, saved[0].second}))
            << "kept in identity order";
        EXPECT_EQ(0u, saved[0].secondLabel.find(c.label)) << saved[0].secondLabel;
        // The other kind's list is as it was.
        EXPECT_EQ(2, List(c.kind == PairKind::Contact ? PairKind::Event : PairKind::Contact)->topLevelItemCount());

        // A later rescan leaves the pair apart too.
        Page().btnRefreshClick();
        EXPECT_EQ(std::vector<std::string>{c.otherRow}, RowIdentities(c.kind));
    }
}

TEST_F(TfmQoDataTest, NotADuplicateIsDisabledForARowThatCannotBeKeptApart)
{
    struct Case
    {
        const char* what;
        bool duplicateHasIdentity;
        bool keptHasIdentity;
    };
    const Case cases[] = {
        {"a duplicate without identity", false, true},
        {"a kept record without identity", true, false},
        {"neither with identity", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InstallEmptyServices(m_home.path());
        g_notDuplicates.Clear();
        RecordPtr<GAddrRecord> older = MakeContact("Ann Lee", "ann@example.com", 100);
        RecordPtr<GAddrRecord> newer = MakeContact("Ann Lee", "ann@example.com", 200);
        RecordPtr<GDateRecord> olderEvent = MakeEvent("Review", 45000, 45000.5, 100);
        RecordPtr<GDateRecord> newerEvent = MakeEvent("Review", 45000, 45000.5, 200);
        if (c.duplicateHasIdentity) {
            CopyText(older->szHelperText, "a/1");
            CopyText(olderEvent->szHelperTextB, "a/1");
        }
        if (c.keptHasIdentity) {
            CopyText(newer->szHelperText, "b/1");
            CopyText(newerEvent->szHelperTextB, "b/1");
        }
        for (GAddrRecord* r : {older.get(), newer.get()})
            AddContact(*r);
        for (GDateRecord* r : {olderEvent.get(), newerEvent.get()})
            AddEvent(*r);
        Page().TransferData(false);
        for (QTreeWidget* list : {Page().lvAddr, Page().lvDate}) {
            SCOPED_TRACE(list->objectName().toStdString());
            ASSERT_EQ(1, list->topLevelItemCount());
            std::unique_ptr<QMenu> menu = Page().MakeRowMenu(list, list->topLevelItem(0));
            QAction* action = NotDuplicateAction(menu.get());
            ASSERT_NE(nullptr, action);
            EXPECT_FALSE(action->isEnabled());
            // Asked all the same, it changes nothing.
            Page().NotDuplicateClick(list, list->topLevelItem(0));
            EXPECT_EQ(1, list->topLevelItemCount());
        }
        EXPECT_TRUE(g_notDuplicates.Pairs().empty());
    }
}

// In the show-all view only the duplicate's row offers the action: the record its group keeps and
// a record of no group have nothing to be told apart from.
TEST_F(TfmQoDataTest, NotADuplicateIsDisabledForARecordThatIsNoDuplicate)
{
    AddContacts(1, 1);
    Page().TransferData(false);
    Page().cbAddrAll->click();
    ASSERT_EQ(3, Page().lvAddr->topLevelItemCount());
    std::vector<QString> offered;
    for (int i = 0; i < Page().lvAddr->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = Page().lvAddr->topLevelItem(i);
        std::unique_ptr<QMenu> menu = Page().MakeRowMenu(Page().lvAddr, row);
        ASSERT_NE(nullptr, NotDuplicateAction(menu.get()));
        const bool duplicate = (static_cast<GAddrRecord*>(RowRecord(row))->dwFlags & REC_DUPLICATE) != 0;
        EXPECT_EQ(duplicate, NotDuplicateAction(menu.get())->isEnabled()) << i;
        if (NotDuplicateAction(menu.get())->isEnabled())
            offered.push_back(row->text(0));
    }
    EXPECT_EQ(std::vector<QString>{"Pair 0"}, offered);
    EXPECT_EQ(nullptr, Page().MakeRowMenu(Page().lvAddr, nullptr));
}

// The detail dialog of a duplicate row offers "Not a duplicate" and closes with it; the rescan then
// takes the row away. A record that is not a duplicate gets no such button.
TEST_F(TfmQoDataTest, TheDetailDialogOfADuplicateOffersNotADuplicate)
{
    for (const KindCase& c : kKinds) {
        SCOPED_TRACE(c.duplicate);
        InstallEmptyServices(m_home.path());
        g_notDuplicates.Clear();
        m_dialogs.clear();
        AddContacts(2, 0);
        AddEventPairs(2);
        Page().TransferData(false);
        QTreeWidget* list = List(c.kind);
        bool offered = false;
        bool take = true;
        m_onDialog = [&](QDialog& dialog) -> int {
            // A duplicate opens in the comparison first; its own detail dialog is one button away.
            if (auto* compare = dynamic_cast<TfmQoCompare*>(&dialog)) {
                compare->btnDupDetail->click();
                return compare->result();
            }
            auto* button = dialog.findChild<QPushButton*>(QStringLiteral("btnNotDuplicate"));
            offered = button && !button->isHidden() && button->isEnabled();
            if (!offered || !take)
                return QDialog::Rejected;
            EXPECT_EQ(QString("&Not a duplicate"), button->text());
            button->click();
            return dialog.result();
        };
        list->setCurrentItem(list->topLevelItem(0));
        c.kind == PairKind::Contact ? Page().lvAddrDblClick() : Page().lvDateDblClick();
        ASSERT_EQ(
            (std::vector<QString>{"fmQoCompare", c.kind == PairKind::Contact ? "fmQoAddrDetail" : "fmQoDateDetail"}),
            m_dialogs);
        EXPECT_TRUE(offered);
        EXPECT_EQ(std::vector<std::string>{c.otherRow}, RowIdentities(c.kind));
        EXPECT_TRUE(g_notDuplicates.Contains(c.kind, c.kept, c.duplicate));
        EXPECT_EQ(1u, SavedPairs().size());

        // The show-all view lists the records of pair 0 again; neither is a duplicate now. Only the
        // duplicate of pair 1 offers the button.
        take = false;
        int offers = 0;
        QCheckBox* showAll = c.kind == PairKind::Contact ? Page().cbAddrAll : Page().cbDateAll;
        showAll->click();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const void* r = RowRecord(list->topLevelItem(i));
            const bool duplicate = (c.kind == PairKind::Contact ? static_cast<const GAddrRecord*>(r)->dwFlags
                                                                : static_cast<const GDateRecord*>(r)->dwFlags) &
                                   REC_DUPLICATE;
            list->setCurrentItem(list->topLevelItem(i));
            m_dialogs.clear();
            c.kind == PairKind::Contact ? Page().lvAddrDblClick() : Page().lvDateDblClick();
            ASSERT_EQ(duplicate ? 2u : 1u, m_dialogs.size());
            EXPECT_EQ(duplicate, offered) << i;
            offers += offered;
        }
        EXPECT_EQ(1, offers);
        EXPECT_EQ(4, list->topLevelItemCount()) << "nothing taken";
        showAll->click();
    }
}

TEST_F(TfmQoDataTest, TheDetailDialogOfADuplicateWithoutIdentityShowsTheButtonDisabled)
{
    AddContact(*MakeContact("Ann Lee", "ann@example.com", 100));
    AddContact(*MakeContact("Ann Lee", "ann@example.com", 200));
    Page().TransferData(false);
    bool shown = false, enabled = true;
    m_onDialog = [&](QDialog& dialog) {
        if (auto* compare = dynamic_cast<TfmQoCompare*>(&dialog)) {
            compare->btnDupDetail->click();
            return QDialog::Rejected;
        }
        auto& detail = dynamic_cast<TfmQoAddrDetail&>(dialog);
        shown = !detail.btnNotDuplicate->isHidden();
        enabled = detail.btnNotDuplicate->isEnabled();
        return QDialog::Rejected;
    };
    Page().lvAddr->setCurrentItem(Page().lvAddr->topLevelItem(0));
    Page().lvAddrDblClick();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(enabled);
    EXPECT_EQ(1, Page().lvAddr->topLevelItemCount());
}

// Smart matching never reads the case setting, so its box cannot be changed there.
TEST_F(TfmQoDataTest, TheCaseBoxFollowsTheMatchingMode)
{
    AppSettings.MatchMode = MATCH_SMART;
    Page().TransferData(false);
    EXPECT_FALSE(Page().cbCase->isEnabled());
    for (const int32_t mode : {MATCH_EXACT, MATCH_SMART}) {
        m_onDialog = [mode](QDialog& dialog) {
            auto& options = dynamic_cast<TfmDupOption&>(dialog);
            (mode == MATCH_SMART ? options.rbtnSmart : options.rbtnExact)->click();
            options.btnOKClick();
            return options.result();
        };
        Page().btnOptionClick();
        EXPECT_EQ(mode, AppSettings.MatchMode);
        EXPECT_EQ(mode == MATCH_EXACT, Page().cbCase->isEnabled()) << mode;
    }
}

// Two pairs of each kind: in the first the older record holds what its kept record lacks (a phone
// number and a note for a contact, a location for an event), in the second the two are the same.
void AddLosingAndCleanPairs()
{
    RecordPtr<GAddrRecord> losing = MakeContact("Ann Lee", "ann@example.com", 100);
    CopyText(losing->szPhonePrimary, "+1 555 0100");
    CopyText(losing->szNote, "<b>call</b> & write");
    AddContact(*losing);
    AddContact(*MakeContact("Ann Lee", "ann@example.com", 200));
    AddContact(*MakeContact("Bob Roe", "bob@example.com", 100));
    AddContact(*MakeContact("Bob Roe", "bob@example.com", 200));
    RecordPtr<GDateRecord> losingEvent = MakeEvent("Review", 45000.375, 45000.4375, 100);
    CopyText(losingEvent->szLocation, "Room 4");
    AddEvent(*losingEvent);
    AddEvent(*MakeEvent("Review", 45000.375, 45000.4375, 200));
    AddEvent(*MakeEvent("Lunch", 45001.5, 45001.55, 100));
    AddEvent(*MakeEvent("Lunch", 45001.5, 45001.55, 200));
}

struct LossCase
{
    PairKind kind;
    const char* losing; // the caption of the row that would lose data
    const char* clean;
    const char* lost; // what the marker tells
};

const LossCase kLossCases[] = {
    {PairKind::Contact, "Ann Lee", "Bob Roe", "Phone +1 555 0100; Note <b>call</b> & write"},
    {PairKind::Event, "Review", "Lunch", "Location Room 4"},
};

TEST_F(TfmQoDataTest, BothListsKeepTheirColumnsAndGainTheKeptRecordWhatMatchedAndTheMarker)
{
    const QStringList own[] = {{"Display Name", "Email", "Primary Phone", "Company", "Title"},
                               {"Subject", "Start Time", "End Time", "All Day Event", "Location"}};
    QTreeWidget* lists[] = {Page().lvAddr, Page().lvDate};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(lists[i]->objectName().toStdString());
        ASSERT_EQ(8, lists[i]->columnCount());
        QStringList captions;
        for (int column = 0; column < 8; ++column)
            captions << lists[i]->headerItem()->text(column);
        EXPECT_EQ(own[i] + QStringList({"Kept record", "Matched on", "Would be lost"}), captions);
    }
}

// The row of a duplicate shows its kept record (not its own fields again) and what the two matched on
// under the mode in force; in the show-all view the other records leave those columns empty.
TEST_F(TfmQoDataTest, ADuplicatesRowTellsItsKeptRecordAndWhatTheyMatchedOn)
{
    struct Case
    {
        PairKind kind;
        int32_t mode;
        const char* kept;
        const char* matchedOn;
    };
    const Case cases[] = {
        {PairKind::Contact, MATCH_EXACT, "Ann Lee <ann@example.com>", "Display Name, Email"},
        {PairKind::Contact, MATCH_SMART, "Ann Lee <ann@example.com>", "name + email ANN@example.com"},
        {PairKind::Event, MATCH_EXACT, "Review, 03/15/2023 09:00:00", "Subject, Start Time, End Time, All Day Event"},
        {PairKind::Event, MATCH_SMART, "Review, 03/15/2023 09:00:00", "subject + start + end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.matchedOn);
        InstallEmptyServices(m_home.path());
        AppSettings.MatchMode = c.mode;
        // The duplicate writes its text in capitals; the kept record's own spelling is what shows.
        AddContact(*MakeContact("Ann Lee", "ANN@example.com", 100));
        AddContact(*MakeContact("Ann Lee", "ann@example.com", 200));
        AddContact(*MakeContact("Single", "single@example.com", 300));
        AddEvent(*MakeEvent("REVIEW", 45000.375, 45000.4375, 100));
        AddEvent(*MakeEvent("Review", 45000.375, 45000.4375, 200));
        AddEvent(*MakeEvent("Single", 45003.375, 45003.4375, 300));
        Page().TransferData(false);
        QTreeWidget* list = List(c.kind);
        ASSERT_EQ(1, list->topLevelItemCount());
        const QTreeWidgetItem* row = list->topLevelItem(0);
        EXPECT_EQ(QString(c.kept), row->text(kKeptColumn));
        EXPECT_EQ(QString(c.matchedOn), row->text(kMatchedColumn));
        EXPECT_EQ(QString(), row->text(kLossColumn));

        (c.kind == PairKind::Contact ? Page().cbAddrAll : Page().cbDateAll)->click();
        ASSERT_EQ(3, list->topLevelItemCount());
        int described = 0;
        for (int i = 0; i < 3; ++i) {
            const QTreeWidgetItem* any = list->topLevelItem(i);
            described += !any->text(kKeptColumn).isEmpty();
            EXPECT_EQ(any->text(kKeptColumn).isEmpty(), any->text(kMatchedColumn).isEmpty()) << i;
        }
        EXPECT_EQ(1, described) << "only the duplicate has a kept record";
        (c.kind == PairKind::Contact ? Page().cbAddrAll : Page().cbDateAll)->click();
    }
}

TEST_F(TfmQoDataTest, TheMarkerShowsOnADuplicateHoldingWhatItsKeptRecordLacks)
{
    AddLosingAndCleanPairs();
    Page().TransferData(false);
    for (const LossCase& c : kLossCases) {
        SCOPED_TRACE(c.losing);
        QTreeWidget* list = List(c.kind);
        const QTreeWidgetItem* losing = RowNamed(list, c.losing);
        ASSERT_NE(nullptr, losing);
        EXPECT_FALSE(losing->icon(kLossColumn).isNull());
        EXPECT_EQ(QString("Would be lost: ") + c.lost, losing->data(kLossColumn, Qt::AccessibleTextRole).toString());
        // The marker's hover text is rich text: what the record holds is escaped, never markup.
        const QString tip = losing->toolTip(kLossColumn);
        EXPECT_TRUE(tip.contains(QString(c.lost).split("; ").first().toHtmlEscaped())) << tip.toStdString();
        EXPECT_FALSE(tip.contains("<b>call")) << tip.toStdString();

        const QTreeWidgetItem* clean = RowNamed(list, c.clean);
        ASSERT_NE(nullptr, clean);
        EXPECT_TRUE(clean->icon(kLossColumn).isNull());
        EXPECT_TRUE(clean->data(kLossColumn, Qt::AccessibleTextRole).toString().isEmpty());
        EXPECT_TRUE(clean->toolTip(kLossColumn).isEmpty());
    }
    EXPECT_TRUE(
        RowNamed(Page().lvAddr, "Ann Lee")->toolTip(kLossColumn).contains("&lt;b&gt;call&lt;/b&gt; &amp; write"));
}

// Off (a new user's choice) every duplicate starts ticked; on, those that would lose data start
// unticked, on entering and after every rescan. "Select All Dups" still ticks them all.
TEST_F(TfmQoDataTest, TheUntickSettingLeavesDuplicatesThatWouldLoseDataUnticked)
{
    for (const bool untick : {false, true}) {
        SCOPED_TRACE(untick);
        InstallEmptyServices(m_home.path());
        AppSettings.UntickLosingDuplicates = untick;
        AddLosingAndCleanPairs();
        Page().TransferData(false);
        for (int pass = 0; pass < 2; ++pass) {
            for (const LossCase& c : kLossCases) {
                SCOPED_TRACE(testing::Message() << c.losing << " pass " << pass);
                EXPECT_EQ(!untick, IsTicked(RowNamed(List(c.kind), c.losing)));
                EXPECT_TRUE(IsTicked(RowNamed(List(c.kind), c.clean)));
            }
            Page().btnRefreshClick();
        }
        Page().btnSelAllClick();
        EXPECT_EQ(std::vector<bool>(2, true), Ticks(Page().lvAddr));
        EXPECT_EQ(std::vector<bool>(2, true), Ticks(Page().lvDate));
    }
}

// The rule dialog's box changes the setting, and its OK rescans with it.
TEST_F(TfmQoDataTest, TheRuleDialogsUntickBoxTakesEffectOnOK)
{
    AddLosingAndCleanPairs();
    Page().TransferData(false);
    m_onDialog = [](QDialog& dialog) {
        auto& options = dynamic_cast<TfmDupOption&>(dialog);
        EXPECT_FALSE(options.cbUntickLosing->isChecked());
        options.cbUntickLosing->click();
        options.btnOKClick();
        return options.result();
    };
    Page().btnOptionClick();
    EXPECT_TRUE(AppSettings.UntickLosingDuplicates);
    EXPECT_FALSE(IsTicked(RowNamed(Page().lvAddr, "Ann Lee")));
    EXPECT_TRUE(IsTicked(RowNamed(Page().lvAddr, "Bob Roe")));
    EXPECT_FALSE(IsTicked(RowNamed(Page().lvDate, "Review")));
}

// The pointer on a duplicate's row shows its main fields beside the kept record's, the differing
// ones in bold with a sign; the texts are escaped, so a field holding markup shows as written.
TEST_F(TfmQoDataTest, HoveringADuplicateShowsItsMainFieldsBesideTheKeptRecords)
{
    AddPairsDifferingIn("<Acme & Co>", "Acme");

    struct Case
    {
        QTreeWidget* list;
        QStringList same;    // table rows that must show unmarked
        QStringList differs; // table rows that must show marked
    };
    const Case cases[] = {
        {Page().lvAddr,
         {"<tr><td>Display Name</td><td>Ann Lee</td><td>Ann Lee</td></tr>",
          "<tr><td>Email(Primary)</td><td>ann@example.com</td><td>ann@example.com</td></tr>"},
         {"<tr><td><b>\u2260 Company Name</b></td><td><b>&lt;Acme &amp; Co&gt;</b></td><td><b>Acme</b></td></tr>"}},
        {Page().lvDate,
         {"<tr><td>Subject</td><td>Review</td><td>Review</td></tr>"},
         {"<tr><td><b>\u2260 Location</b></td><td><b>Room 1</b></td><td><b>Room 2</b></td></tr>"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list->objectName().toStdString());
        ASSERT_EQ(1, c.list->topLevelItemCount());
        const QString tip = c.list->topLevelItem(0)->toolTip(0);
        EXPECT_EQ(tip, c.list->topLevelItem(0)->toolTip(kKeptColumn)) << "the whole row tells it";
        for (const QString& row : c.same + c.differs)
            EXPECT_TRUE(tip.contains(row)) << row.toStdString() << "\n" << tip.toStdString();
        EXPECT_TRUE(tip.contains("This duplicate")) << tip.toStdString();
    }
    // A record that is no duplicate has nothing to be compared with.
    Page().cbAddrAll->click();
    for (int i = 0; i < Page().lvAddr->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = Page().lvAddr->topLevelItem(i);
        const bool duplicate = (static_cast<GAddrRecord*>(RowRecord(row))->dwFlags & REC_DUPLICATE) != 0;
        EXPECT_EQ(duplicate, !row->toolTip(0).isEmpty()) << i;
    }
}

// A field of the comparison as the list shows it: sign, label, both texts, and whether it is bold.
struct ComparedField
{
    QString sign;
    QString label;
    QString duplicate;
    QString kept;
    bool bold;
    bool operator==(const ComparedField&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ComparedField& f)
{
    return out << '[' << f.sign.toStdString() << "|" << f.label.toStdString() << "|" << f.duplicate.toStdString() << "|"
               << f.kept.toStdString() << (f.bold ? "|bold]" : "]");
}

std::vector<ComparedField> ComparedFields(const TfmQoCompare& dialog)
{
    std::vector<ComparedField> fields;
    for (int i = 0; i < dialog.lvCompare->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = dialog.lvCompare->topLevelItem(i);
        fields.push_back({row->text(TfmQoCompare::kDiffersColumn), row->text(TfmQoCompare::kFieldColumn),
                          row->text(TfmQoCompare::kDuplicateColumn), row->text(TfmQoCompare::kKeptColumn),
                          row->font(TfmQoCompare::kFieldColumn).bold()});
    }
    return fields;
}

// Double-clicking a duplicate shows it beside its kept record, field by field, the differences bold
// and marked with a sign a screen reader reads as "differs"; from there either record opens in its
// detail dialog. In the show-all view a record that is no duplicate opens in its detail dialog.
TEST_F(TfmQoDataTest, TheComparisonShowsBothRecordsAndOpensEitherInItsDetailDialog)
{
    AddPairsDifferingIn("Acorn", "Birch");

    struct Case
    {
        PairKind kind;
        const char* detail;
        ComparedField same;
        ComparedField differs;
        const char* duplicateShows; // in the detail dialog's box below
        const char* keptShows;
    };
    const Case cases[] = {
        {PairKind::Contact,
         "fmQoAddrDetail",
         {"", "Display Name", "Ann Lee", "Ann Lee", false},
         {"\u2260", "Company Name", "Acorn", "Birch", true},
         "Acorn",
         "Birch"},
        {PairKind::Event,
         "fmQoDateDetail",
         {"", "Subject", "Review", "Review", false},
         {"\u2260", "Location", "Room 1", "Room 2", true},
         "Room 1",
         "Room 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.detail);
        QTreeWidget* list = List(c.kind);
        m_dialogs.clear();
        m_dialogOwners.clear();
        std::vector<ComparedField> fields;
        QString accessible, title;
        std::vector<QString> detailShowed;
        QDialog* compareDialog = nullptr;
        m_onDialog = [&](QDialog& dialog) -> int {
            if (auto* compare = dynamic_cast<TfmQoCompare*>(&dialog)) {
                compareDialog = compare;
                title = compare->windowTitle();
                fields = ComparedFields(*compare);
                for (int i = 0; i < compare->lvCompare->topLevelItemCount(); ++i)
                    if (compare->lvCompare->topLevelItem(i)->text(TfmQoCompare::kFieldColumn) == c.differs.label)
                        accessible = compare->lvCompare->topLevelItem(i)
                                         ->data(TfmQoCompare::kDiffersColumn, Qt::AccessibleTextRole)
                                         .toString();
                compare->btnDupDetail->click();
                compare->btnKeptDetail->click();
                compare->btnClose->click();
                return compare->result();
            }
            if (auto* contact = dynamic_cast<TfmQoAddrDetail*>(&dialog))
                detailShowed.push_back(contact->edtCompany->text());
            if (auto* event = dynamic_cast<TfmQoDateDetail*>(&dialog))
                detailShowed.push_back(event->edtLocation->text());
            return QDialog::Rejected;
        };
        list->setCurrentItem(list->topLevelItem(0));
        c.kind == PairKind::Contact ? Page().lvAddrDblClick() : Page().lvDateDblClick();

        ASSERT_EQ((std::vector<QString>{"fmQoCompare", c.detail, c.detail}), m_dialogs);
        EXPECT_EQ((std::vector<QWidget*>{&Page(), compareDialog, compareDialog}), m_dialogOwners);
        EXPECT_EQ(QString("Compare with Kept Record"), title);
        EXPECT_NE(fields.end(), std::find(fields.begin(), fields.end(), c.same)) << testing::PrintToString(fields);
        EXPECT_NE(fields.end(), std::find(fields.begin(), fields.end(), c.differs)) << testing::PrintToString(fields);
        EXPECT_EQ(QString("differs"), accessible);
        EXPECT_EQ((std::vector<QString>{c.duplicateShows, c.keptShows}), detailShowed);
        EXPECT_EQ(1, list->topLevelItemCount()) << "closing the comparison changes nothing";

        // The kept record, listed in the show-all view, is no duplicate: its detail dialog opens.
        QCheckBox* showAll = c.kind == PairKind::Contact ? Page().cbAddrAll : Page().cbDateAll;
        showAll->click();
        m_onDialog = {};
        m_dialogs.clear();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            list->setCurrentItem(list->topLevelItem(i));
            c.kind == PairKind::Contact ? Page().lvAddrDblClick() : Page().lvDateDblClick();
        }
        // The older record, the duplicate, comes first.
        EXPECT_EQ((std::vector<QString>{"fmQoCompare", c.detail}), m_dialogs);
        showAll->click();
    }
}

// The report of the lists goes into the file the user picks, in the format its extension names,
// else the format of the filter chosen (whose extension it then gets).
TEST_F(TfmQoDataTest, ExportWritesTheReportInTheChosenFormat)
{
    const QString csv = "CSV file (*.csv)";
    const QString html = "HTML page (*.html)";
    struct Case
    {
        const char* picked;
        QString filter;
        const char* written;
        bool isHtml;
    };
    const Case cases[] = {
        {"report.csv", csv, "report.csv", false}, {"report.html", html, "report.html", true},
        {"page.HTML", csv, "page.HTML", true},    {"list.csv", html, "list.csv", false},
        {"plain", html, "plain.html", true},      {"sheet", csv, "sheet.csv", false},
    };
    AddContacts(1, 1);
    AddEventPairs(1);
    Page().TransferData(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picked);
        m_saveRequests.clear();
        m_saveAnswer = {QString::fromStdString(m_home.file(c.picked)), c.filter};
        Page().btnExportClick();
        ASSERT_EQ(1u, m_saveRequests.size());
        EXPECT_EQ((QStringList{csv, html}), m_saveRequests[0].filters);
        const std::string path = m_home.file(c.written);
        ASSERT_TRUE(std::filesystem::exists(path));
        const std::string text = TempDir::ReadFile(path);
        EXPECT_EQ(c.isHtml, QString::fromStdString(text).contains("<html", Qt::CaseInsensitive)) << text;
        EXPECT_NE(std::string::npos, text.find("Pair 0")) << text;
        EXPECT_NE(std::string::npos, text.find("Meeting 0")) << text;
    }
    EXPECT_TRUE(m_messages.empty());
}

// The report tells what Next would delete: the ticks as they stand, taken into the records first.
TEST_F(TfmQoDataTest, ExportTakesTheCurrentTicksFirst)
{
    AddContacts(2, 0);
    Page().TransferData(false);
    SetTicked(Page().lvAddr->topLevelItem(0), false);
    m_saveAnswer = {QString::fromStdString(m_home.file("ticks.csv")), "CSV file (*.csv)"};
    EXPECT_EQ(QString("&Export report..."), Page().btnExport->text());
    Page().btnExport->click();
    ASSERT_EQ(1u, m_saveRequests.size());
    const auto* unticked = static_cast<const GAddrRecord*>(RowRecord(Page().lvAddr->topLevelItem(0)));
    const auto* ticked = static_cast<const GAddrRecord*>(RowRecord(Page().lvAddr->topLevelItem(1)));
    EXPECT_EQ(0u, unticked->dwFlags & REC_SELECTED);
    EXPECT_NE(0u, ticked->dwFlags & REC_SELECTED);
    // The report says so too: one duplicate to delete, one kept for now.
    const QString report = QString::fromStdString(TempDir::ReadFile(m_home.file("ticks.csv")));
    EXPECT_EQ(1, report.count(",delete,")) << report.toStdString();
    EXPECT_EQ(1, report.count(",keep (unticked),")) << report.toStdString();
}

TEST_F(TfmQoDataTest, ExportCancelledWritesNothingAndAFailureSaysWhy)
{
    AddContacts(1, 0);
    Page().TransferData(false);
    m_saveAnswer = {};
    Page().btnExportClick();
    EXPECT_EQ(1u, m_saveRequests.size());
    EXPECT_TRUE(m_messages.empty());

    const std::string missing = m_home.file("no such folder/report.csv");
    m_saveAnswer = {QString::fromStdString(missing), "CSV file (*.csv)"};
    Page().btnExportClick();
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_EQ(QString("Error"), m_messages[0].title);
    EXPECT_EQ(QMessageBox::Information, m_messages[0].icon);
    EXPECT_EQ(QString::fromStdString("The report could not be written: the folder " + m_home.file("no such folder") +
                                     " does not exist."),
              m_messages[0].text);
    EXPECT_FALSE(std::filesystem::exists(missing));
}

// The wizard on the review page with the records the test made, as Next from the account page
// leaves it.
class DeletionGuardTest : public TfmQoDataTest
{
protected:
    // A fresh wizard; made before the records, since closing a main window releases the services.
    void NewWizard()
    {
        m_window = std::make_unique<InMemoryMain>();
        InstallEmptyServices(m_home.path());
    }

    void EnterReviewPage()
    {
        TfmQoSource& source = *Window().SourcePage();
        source.edtEmail->setText("ann@example.com");
        source.edtPassword->setText("secret");
        source.cbAddr->setChecked(true);
        source.cbDate->setChecked(true);
        Window().btnNextClick();
        ASSERT_EQ(1, Window().CurrentPage());
    }

    // Next pressed with the answers given to the questions in turn; the questions asked.
    std::vector<AppMessageRecord> PressNext(std::vector<QMessageBox::StandardButton> answers)
    {
        size_t asked = 0;
        m_onMessage = [&](const AppMessageRecord&) {
            if (asked < answers.size())
                SetNextAppAnswer(answers[asked]);
            ++asked;
        };
        m_messages.clear();
        Window().btnNextClick();
        m_onMessage = {};
        return m_messages;
    }

    bool OnDeletionPage() { return Window().CurrentPage() == 2 && Window().CleanPage()->tmStart->isActive(); }
};

// Deleting more than half of an application's records, or more than 500 of them, is asked about;
// exactly half, or exactly 500, is not.
TEST_F(DeletionGuardTest, NextAsksBeforeDeletingMostOfAnApplicationOrVeryManyRecords)
{
    struct Case
    {
        const char* what;
        int pairs;
        int singles;
        bool tickAll; // in the show-all view
        const char* question;
    };
    const Case cases[] = {
        {"exactly half", 3, 0, false, nullptr},
        {"a few of many", 2, 10, false, nullptr},
        {"all of them", 2, 1, true, "You are about to delete 5 of 5 contacts. Continue?"},
        {"exactly 500", 500, 0, false, nullptr},
        {"501 of 1002", 501, 0, false, "You are about to delete 501 of 1002 contacts. Continue?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NewWizard();
        AddContacts(c.pairs, c.singles);
        EnterReviewPage();
        ASSERT_EQ(c.pairs, Page().lvAddr->topLevelItemCount());
        if (c.tickAll) {
            Page().cbAddrAll->click();
            Page().btnSelAllClick();
        }
        const std::vector<AppMessageRecord> asked = PressNext({QMessageBox::No});
        if (!c.question) {
            EXPECT_TRUE(asked.empty());
            EXPECT_TRUE(OnDeletionPage());
            continue;
        }
        ASSERT_EQ(1u, asked.size());
        EXPECT_EQ(QString(c.question), asked[0].text);
        EXPECT_EQ(QMessageBox::Question, asked[0].icon);
        EXPECT_EQ(QMessageBox::Yes | QMessageBox::No, asked[0].buttons);
        EXPECT_EQ(QMessageBox::No, asked[0].defaultButton);
        EXPECT_EQ(1, Window().CurrentPage());
    }
}

// One question per application over the line, contacts first; Yes to each goes on to the deletion,
// a No stays on the review page with nothing deleted and asks no more.
TEST_F(DeletionGuardTest, YesGoesOnToTheDeletionAndNoStaysWithNothingDeleted)
{
    using B = QMessageBox::StandardButton;
    struct Case
    {
        const char* what;
        std::vector<B> answers;
        size_t asked;
        bool deleting;
    };
    const Case cases[] = {
        {"Yes, Yes", {B::Yes, B::Yes}, 2, true},
        {"Yes, No", {B::Yes, B::No}, 2, false},
        {"No", {B::No}, 1, false},
    };
    const QString questions[] = {"You are about to delete 4 of 4 contacts. Continue?",
                                 "You are about to delete 2 of 3 calendar events. Continue?"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NewWizard();
        AddContacts(2, 0);
        AddEventPairs(1);
        AddEvent(*MakeEvent("Single", 45010, 45010.5, 100));
        EnterReviewPage();
        Page().cbAddrAll->click();
        Page().btnSelAllClick();
        Page().cbDateAll->click();
        for (int i = 0; i < Page().lvDate->topLevelItemCount(); ++i)
            SetTicked(Page().lvDate->topLevelItem(i), Page().lvDate->topLevelItem(i)->text(0) == "Meeting 0");

        const std::vector<AppMessageRecord> asked = PressNext(c.answers);
        ASSERT_EQ(c.asked, asked.size());
        for (size_t i = 0; i < asked.size(); ++i)
            EXPECT_EQ(questions[i], asked[i].text) << i;
        EXPECT_EQ(c.deleting, OnDeletionPage());
        EXPECT_EQ(c.deleting ? 2 : 1, Window().CurrentPage());
        if (!c.deleting) {
            // Still on the review page, its rows as the user left them.
            EXPECT_FALSE(Window().CleanPage()->tmStart->isActive());
            EXPECT_EQ(std::vector<bool>(4, true), Ticks(Page().lvAddr));
        }
    }
}

} // namespace
