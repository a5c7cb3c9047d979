#include "app/TfmQoTrash.h"

#include "app/QoBanner.h"
#include "app/RecordList.h"
#include "app/TfmDebug.h"
#include "app/TfmQoClean.h"
#include "app/TfmQoSource.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/platform/Platform.h"
#include "tests/support/ServiceRecords.h"
#include "tests/support/TestHelperFolder.h"
#include "tests/support/TrashListings.h"
#include "tests/support/WizardTest.h"
#include "tests/support/ZeroedRecord.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// Both helpers follow one script: the first record of each kind went this afternoon, the second this
// morning, the third two days before (its day only).
const std::string kThreeTimes = "trash-time 2026-12-11 16:20:01\ntrash-time 2026-12-11 09:00:00\n"
                                "trash-time 2026-12-09\ntrash-size 17664 3\n";

// A row as the list shows it: its first column, ticked or not ("[x] Ann", "[ ] Bob"), under its day.
Lines Shown(QTreeWidget* list)
{
    Lines shown;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* day = list->topLevelItem(i);
        shown.push_back(day->text(0).toStdString());
        for (int j = 0; j < day->childCount(); ++j)
            shown.push_back(std::string(IsTicked(day->child(j)) ? "  [x] " : "  [ ] ") +
                            day->child(j)->text(0).toStdString());
    }
    return shown;
}

QTreeWidgetItem* RecordRow(QTreeWidget* list, int day, int row)
{
    return list->topLevelItem(day)->child(row);
}

class TfmQoTrashTest : public WizardTest
{
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        std::filesystem::create_directories(m_dataFolder);
        SetHelperProgramFolder(m_programs.path().c_str());
        InstallEmptyServices(m_dataFolder);
        Window();
        CopyText(AppSettings.Email, "ann@example.org");
        PlaceTestHelper(m_programs.path(), "Ombracon.exe");
        PlaceTestHelper(m_programs.path(), "Ombracal.exe");
        WriteContactListing(m_dataFolder, {"Ann", "Bob", "Cid"});
        WriteEventListing(m_dataFolder, {"Lunch"});
        Script(kServeListings + kThreeTimes);
    }
    void TearDown() override
    {
        m_dialog.reset();
        WizardTest::TearDown();
    }

    void Script(const std::string& text) { TempDir::WriteFile(m_dataFolder + "HelperScript.txt", text); }
    TfmQoTrash& Dialog()
    {
        if (!m_dialog)
            m_dialog = std::make_unique<TfmQoTrash>(&Window());
        return *m_dialog;
    }
    Lines HelperRuns() const
    {
        const std::string path = m_dataFolder + "HelperRuns.txt";
        Lines runs;
        if (!platform::FileExists(path.c_str()))
            return runs;
        std::istringstream in(TempDir::ReadFile(path));
        for (std::string line; std::getline(in, line);)
            runs.push_back(line.substr(0, line.find(" cwd=")));
        return runs;
    }
    void ForgetRuns() { platform::DeleteFile((m_dataFolder + "HelperRuns.txt").c_str()); }
    static Lines LogLines(const QPlainTextEdit& memo)
    {
        Lines lines;
        for (QTextBlock b = memo.document()->begin(); b.isValid(); b = b.next())
            lines.push_back(b.text().toStdString());
        return lines;
    }

    TempDir m_programs;
    std::unique_ptr<TfmQoTrash> m_dialog;
};

} // namespace

TEST_F(TfmQoTrashTest, DialogHasItsControls)
{
    TfmQoTrash& dialog = Dialog();
    EXPECT_EQ(QString("Deleted items"), dialog.windowTitle());
    EXPECT_EQ(dialog.lvAddr, dialog.findChild<QTreeWidget*>("lvAddr"));
    EXPECT_EQ(dialog.lvDate, dialog.findChild<QTreeWidget*>("lvDate"));
    EXPECT_EQ(dialog.lblSize, dialog.findChild<QLabel*>("lblSize"));
    EXPECT_EQ(dialog.seDays, dialog.findChild<QSpinBox*>("seDays"));
    EXPECT_EQ(dialog.btnEmpty, dialog.findChild<QPushButton*>("btnEmpty"));
    EXPECT_EQ(dialog.memLog, dialog.findChild<QPlainTextEdit*>("memLog"));
    EXPECT_EQ(dialog.btnRestore, dialog.findChild<QPushButton*>("btnRestore"));
    EXPECT_EQ(dialog.btnClose, dialog.findChild<QPushButton*>("btnClose"));
    EXPECT_EQ(dialog.seDays, dialog.findChild<QLabel*>("lblDays")->buddy());
    EXPECT_TRUE(dialog.memLog->isReadOnly());
    for (QWidget* control : std::initializer_list<QWidget*>{dialog.lvAddr, dialog.lvDate, dialog.lblSize, dialog.seDays,
                                                            dialog.btnEmpty, dialog.memLog, dialog.btnRestore})
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
    EXPECT_EQ(QString("Contacts"), dialog.pTrash->tabText(0).remove('&'));
    EXPECT_EQ(QString("Calendar"), dialog.pTrash->tabText(1).remove('&'));
    EXPECT_EQ(7, dialog.lvDate->columnCount());
    EXPECT_EQ(QString("Deleted"), dialog.lvAddr->headerItem()->text(5));
    EXPECT_EQ(QString("Calendar"), dialog.lvDate->headerItem()->text(6));
    EXPECT_EQ(30, dialog.seDays->value());
    EXPECT_EQ(36500, dialog.seDays->maximum());
}

TEST_F(TfmQoTrashTest, RowsAreGroupedByDayNewestFirstWithTheTrashSize)
{
    TfmQoTrash& dialog = Dialog();
    EXPECT_EQ((Lines{"Deleted on 2026-12-11", "  [ ] Ann", "  [ ] Bob", "Deleted on 2026-12-09", "  [ ] Cid"}),
              Shown(dialog.lvAddr));
    EXPECT_EQ((Lines{"Deleted on 2026-12-11", "  [ ] Lunch"}), Shown(dialog.lvDate));
    // A day row is no record: it cannot be ticked.
    EXPECT_FALSE(dialog.lvAddr->topLevelItem(0)->flags() & Qt::ItemIsUserCheckable);
    EXPECT_EQ(nullptr, RowRecord(dialog.lvAddr->topLevelItem(0)));
    EXPECT_EQ(QString("Ann@example.org"), RecordRow(dialog.lvAddr, 0, 0)->text(1));
    EXPECT_EQ(QString("2026-12-11 16:20:01"), RecordRow(dialog.lvAddr, 0, 0)->text(5));
    EXPECT_EQ(QString("2026-12-09"), RecordRow(dialog.lvAddr, 1, 0)->text(5));
    EXPECT_EQ(QString("Home"), RecordRow(dialog.lvDate, 0, 0)->text(6));
    // Both kinds' trash together: 4 items, 2 x 17664 bytes.
    EXPECT_EQ(QString("The trash holds 4 items, 34.5 KB."), dialog.lblSize->text());
    EXPECT_FALSE(dialog.lblError->isVisible());
    EXPECT_EQ((Lines{"op=4 data=GAddr.dat", "op=4 data=GDate.dat"}), HelperRuns());

    // Restore is there while something is ticked.
    EXPECT_FALSE(dialog.btnRestore->isEnabled());
    SetTicked(RecordRow(dialog.lvAddr, 0, 1), true);
    EXPECT_TRUE(dialog.btnRestore->isEnabled());
    SetTicked(RecordRow(dialog.lvAddr, 0, 1), false);
    EXPECT_FALSE(dialog.btnRestore->isEnabled());
}

TEST_F(TfmQoTrashTest, RestoreRestoresTheTickedRowsLogsItAndListsAgain)
{
    TfmQoTrash& dialog = Dialog();
    SetTicked(RecordRow(dialog.lvAddr, 0, 1), true);
    ForgetRuns();
    // The copy is taken before the listing's file is served over the data file.
    Script("keep-save GAddr.dat handed.dat\n" + kServeListings + kThreeTimes);
    dialog.btnRestore->click();

    EXPECT_EQ((Lines{"op=3 data=GAddr.dat", "op=4 data=GAddr.dat", "op=4 data=GDate.dat"}), HelperRuns());
    // The helper was handed Bob alone to put back.
    CxGAddrUtil handed;
    handed.SetWorkFolder(m_dataFolder.c_str());
    ASSERT_TRUE(handed.LoadDataFile("handed.dat"));
    Lines marked;
    for (CommAddrRecord* c = handed.GetAddrMgr()->GetFirst(); c; c = handed.GetAddrMgr()->GetNext()) {
        const auto* raw = static_cast<const GAddrRecord*>(c->pAttach);
        if (raw->ActionCode == ACTION_DELETE)
            marked.push_back(raw->szDisplayName);
    }
    EXPECT_EQ(Lines{"Bob"}, marked);

    const Lines log = LogLines(*dialog.memLog);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("Start restoring deleted records ...", log.front());
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "\tDisplay Name: Bob"));
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "\t1 of 1 contacts restored."));
    // Listed again: nothing ticked any more.
    EXPECT_EQ((Lines{"Deleted on 2026-12-11", "  [ ] Ann", "  [ ] Bob", "Deleted on 2026-12-09", "  [ ] Cid"}),
              Shown(dialog.lvAddr));
    EXPECT_FALSE(dialog.btnRestore->isEnabled());
}

TEST_F(TfmQoTrashTest, EmptyingAsksFirstAndNoLeavesEverything)
{
    TfmQoTrash& dialog = Dialog();
    ForgetRuns();
    dialog.seDays->setValue(7);
    SetNextAppAnswer(QMessageBox::No);
    dialog.btnEmpty->click();
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_EQ(QMessageBox::Question, m_messages[0].icon);
    EXPECT_TRUE(m_messages[0].text.contains(QStringLiteral("7 or more days"))) << m_messages[0].text.toStdString();
    EXPECT_EQ(QMessageBox::No, m_messages[0].defaultButton);
    EXPECT_EQ(Lines{}, HelperRuns());
    EXPECT_EQ(5u, static_cast<size_t>(Shown(dialog.lvAddr).size()));

    SetNextAppAnswer(QMessageBox::Yes);
    dialog.btnEmpty->click();
    EXPECT_EQ((Lines{"op=5 data=GAddr.dat", "op=5 data=GDate.dat", "op=4 data=GAddr.dat", "op=4 data=GDate.dat"}),
              HelperRuns());
    EXPECT_EQ(7, AppSettings.TrashDays);
    EXPECT_FALSE(dialog.lblError->isVisible());
}

TEST_F(TfmQoTrashTest, AListingThatFailsShowsWhy)
{
    Script(kServeListings + kThreeTimes + "error The trash cannot be read\n");
    TfmQoTrash& dialog = Dialog();
    EXPECT_TRUE(dialog.lblError->isVisibleTo(&dialog));
    EXPECT_EQ(QString("The deleted contacts could not be listed: the helper program said: The trash cannot be read\n"
                      "The deleted calendar events could not be listed: the helper program said: The trash cannot "
                      "be read"),
              dialog.lblError->text());
    EXPECT_EQ(0, dialog.lvAddr->topLevelItemCount());
    EXPECT_EQ(QString("Of what could be listed, the trash holds 0 items, 0 bytes."), dialog.lblSize->text());

    // An emptying that fails says so too, over a listing that goes through.
    Script(kServeListings + kThreeTimes);
    m_dialog.reset();
    TfmQoTrash& again = Dialog();
    EXPECT_FALSE(again.lblError->isVisibleTo(&again));
    Script("error Days out of range\n");
    SetNextAppAnswer(QMessageBox::Yes);
    again.btnEmpty->click();
    EXPECT_TRUE(again.lblError->isVisibleTo(&again));
    EXPECT_TRUE(again.lblError->text().startsWith(
        QStringLiteral("The deleted contacts could not be emptied: the helper program said: Days out of range")))
        << again.lblError->text().toStdString();
}

TEST_F(TfmQoTrashTest, WithoutAnAccountOnlyAMessageAsksForIt)
{
    AppSettings.Email[0] = '\0';
    OpenTrashDialog(&Window());
    EXPECT_EQ(std::vector<QString>{}, m_dialogs);
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_TRUE(m_messages[0].text.contains(QStringLiteral("first page")));
    EXPECT_EQ(Lines{}, HelperRuns());
}

TEST_F(TfmQoTrashTest, TroubleshootingOpensTheDialogWithNothingTicked)
{
    TfmDebug debug(&Window());
    Lines shown;
    m_onDialog = [&](QDialog& dialog) {
        if (auto* trash = qobject_cast<TfmQoTrash*>(&dialog))
            shown = Shown(trash->lvAddr);
        return QDialog::Rejected;
    };
    debug.findChild<QPushButton*>("btnTrash")->click();
    EXPECT_EQ(std::vector<QString>{"fmQoTrash"}, m_dialogs);
    EXPECT_EQ((Lines{"Deleted on 2026-12-11", "  [ ] Ann", "  [ ] Bob", "Deleted on 2026-12-09", "  [ ] Cid"}), shown);
}

TEST_F(TfmQoTrashTest, OnTheFirstPageTheAccountTypedThereIsListed)
{
    ASSERT_EQ(0, Window().CurrentPage());
    Window().SourcePage()->edtEmail->setText("bea@example.org");
    Window().SourcePage()->edtPassword->setText("typed");
    OpenTrashDialog(&Window());
    EXPECT_EQ(std::vector<QString>{"fmQoTrash"}, m_dialogs);
    EXPECT_STREQ("bea@example.org", AppSettings.Email);
    EXPECT_STREQ("typed", AppSettings.Password);
}

namespace {

// Notes whether the undo link shows while the deletion walks its records.
class WatchedClean : public TfmQoClean
{
public:
    using TfmQoClean::TfmQoClean;
    bool undoShownDuringRun = false;

protected:
    void DeleteContactItem(GAddrRecord* pRecord) override
    {
        undoShownDuringRun = undoShownDuringRun || lblUndo->isVisibleTo(this);
        TfmQoClean::DeleteContactItem(pRecord);
    }
};

} // namespace

TEST_F(TfmQoTrashTest, UndoLinkShowsAfterADeletionAndTicksThatRunsRows)
{
    AppSettings.AppFlag = APP_CONTACTS;
    WatchedClean page(&Window());
    for (const char* name : {"Ann", "Bob"}) {
        RecordPtr<GAddrRecord> r = MakeContact(name, "x@example.org");
        GAddrRecord* added = AddContact(*r);
        added->dwFlags = REC_DUPLICATE | REC_SELECTED;
        g_pAddrDupList->Add(added);
    }
    // The listing after it: the first record of each kind deleted after the run began, the others
    // long before.
    Script(kServeListings + "trash-time 2099-01-01 00:00:00\ntrash-time 2000-01-01 00:00:00\n");

    page.TransferData(false);
    EXPECT_FALSE(page.lblUndo->isVisibleTo(&page));
    page.tmStartTimer();
    EXPECT_FALSE(page.undoShownDuringRun);
    ASSERT_TRUE(page.lblUndo->isVisibleTo(&page));

    Lines contacts;
    Lines events;
    m_onDialog = [&](QDialog& dialog) {
        if (auto* trash = qobject_cast<TfmQoTrash*>(&dialog)) {
            contacts = Shown(trash->lvAddr);
            events = Shown(trash->lvDate);
        }
        return QDialog::Rejected;
    };
    QTest::mouseClick(page.lblUndo, Qt::LeftButton);
    EXPECT_EQ(std::vector<QString>{"fmQoTrash"}, m_dialogs);
    EXPECT_EQ((Lines{"Deleted on 2099-01-01", "  [x] Ann", "Deleted on 2000-01-01", "  [ ] Bob", "  [ ] Cid"}),
              contacts);
    EXPECT_EQ((Lines{"Deleted on 2099-01-01", "  [x] Lunch"}), events);

    // Entering the page anew hides it until that run has deleted something.
    page.TransferData(false);
    EXPECT_FALSE(page.lblUndo->isVisibleTo(&page));
    page.tmStart->stop();
}

TEST_F(TfmQoTrashTest, UndoLinkStaysHiddenWhenNothingWasDeleted)
{
    AppSettings.AppFlag = APP_CONTACTS;
    TfmQoClean page(&Window());
    RecordPtr<GAddrRecord> r = MakeContact("Ann", "x@example.org");
    GAddrRecord* added = AddContact(*r);
    added->dwFlags = REC_DUPLICATE | REC_SELECTED;
    g_pAddrDupList->Add(added);
    Script("error The account cannot be reached\n");
    page.TransferData(false);
    page.tmStartTimer();
    EXPECT_FALSE(page.lblUndo->isVisibleTo(&page));
}
