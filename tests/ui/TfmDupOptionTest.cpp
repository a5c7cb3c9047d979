#include "app/TfmDupOption.h"
#include "app/core/NotDuplicates.h"
#include "tests/support/TempDir.h"
#include "tests/support/WizardTest.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>

#include <filesystem>
#include <string>

namespace {

struct RuleCase
{
    const char* box;
    const char* caption;
    const char* tab;
    bool TAppSettings::*setting;
    bool byDefault;
};

const RuleCase kRules[] = {
    {"cbAddrDisplayName", "Display Name", "tAddr", &TAppSettings::AddrDisplayName, true},
    {"cbAddrEmail", "Email", "tAddr", &TAppSettings::AddrEmail, true},
    {"cbAddrPhone", "Phone", "tAddr", &TAppSettings::AddrPhone, false},
    {"cbAddrAddr", "Address", "tAddr", &TAppSettings::AddrAddress, false},
    {"cbAddrCompany", "Company Name", "tAddr", &TAppSettings::AddrCompanyName, false},
    {"cbAddrTitle", "Job Title", "tAddr", &TAppSettings::AddrTitle, false},
    {"cbAddrIM", "Instant Messaging", "tAddr", &TAppSettings::AddrIM, false},
    {"cbAddrWebsite", "Web Site", "tAddr", &TAppSettings::AddrWebSite, false},
    {"cbAddrDate", "Date", "tAddr", &TAppSettings::AddrDate, false},
    {"cbAddrNote", "Notes", "tAddr", &TAppSettings::AddrNote, false},
    {"cbDateSubject", "Subject", "tDate", &TAppSettings::DateSubject, true},
    {"cbDateStartTime", "Start Time", "tDate", &TAppSettings::DateStartTime, true},
    {"cbDateEndTime", "End Time", "tDate", &TAppSettings::DateEndTime, true},
    {"cbDateAllDayEvent", "All Day Event", "tDate", &TAppSettings::DateAllDayEvent, true},
    {"cbDateLocation", "Location", "tDate", &TAppSettings::DateLocation, false},
    {"cbDateNote", "Notes", "tDate", &TAppSettings::DateNote, false},
};

class TfmDupOptionTest : public WizardTest
{
protected:
    // Opened as its openers do: made, then shown the settings.
    TfmDupOption& Dialog()
    {
        if (!m_dialog) {
            m_dialog = std::make_unique<TfmDupOption>(nullptr);
            m_dialog->TransferData(false);
        }
        return *m_dialog;
    }

    // A store of two pairs, one of each kind, saved in the data folder.
    void KeepTwoPairsApart()
    {
        std::filesystem::create_directories(m_dataFolder);
        std::filesystem::remove(PairsFile());
        ASSERT_TRUE(g_notDuplicates.Load(PairsFile()));
        ASSERT_TRUE(g_notDuplicates.Add(PairKind::Contact, "ann-1", "ann-2", "Ann <ann@home.example>",
                                        "Ann <ann@work.example>"));
        ASSERT_TRUE(g_notDuplicates.Add(PairKind::Event, "Work/e1", "Work/e2", "Review, 3/1/2024", "Review, 3/8/2024"));
        ASSERT_TRUE(g_notDuplicates.Save());
    }

    std::string PairsFile() const { return m_dataFolder + kNotDuplicatesFile; }

    // What the file holds, read back by a store of its own.
    std::vector<std::string> SavedPairs() const
    {
        NotDuplicates saved;
        EXPECT_TRUE(saved.Load(PairsFile()));
        std::vector<std::string> firsts;
        for (const NotDuplicatePair& p : saved.Pairs())
            firsts.push_back(p.first);
        return firsts;
    }

    std::vector<QString> ListedPairs()
    {
        std::vector<QString> rows;
        QTreeWidget* list = Dialog().lvPairs;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows.push_back(list->topLevelItem(i)->text(1) + " | " + list->topLevelItem(i)->text(0));
        return rows;
    }

    void ForgetRow(int row)
    {
        Dialog().lvPairs->setCurrentItem(Dialog().lvPairs->topLevelItem(row));
        ASSERT_TRUE(Dialog().btnForget->isEnabled());
        Dialog().btnForget->click();
    }

    std::unique_ptr<TfmDupOption> m_dialog;
};

} // namespace

TEST_F(TfmDupOptionTest, DefaultsShowOnTheirTabs)
{
    EXPECT_EQ(QString("Set Qosweep Options"), Dialog().windowTitle());
    EXPECT_EQ(QSize(547, 672), Dialog().size());
    QTabWidget* tabs = Dialog().pMain;
    ASSERT_EQ(2, tabs->count());
    EXPECT_EQ(QString("Contacts"), tabs->tabText(0));
    EXPECT_EQ(QString("Calendar"), tabs->tabText(1));
    for (const RuleCase& rule : kRules) {
        SCOPED_TRACE(rule.box);
        QCheckBox* box = Dialog().Box(rule.box);
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(QString(rule.caption), box->text());
        EXPECT_EQ(QString(rule.tab), box->parentWidget()->objectName());
        EXPECT_EQ(rule.byDefault, box->isChecked());
    }
}

TEST_F(TfmDupOptionTest, ASettingFromTheFileShowsAndOKKeepsIt)
{
    WriteSettingsFile("[Qosweep]\r\nAddrIM=1\r\n");
    g_settingsFile.SetFilePath((m_dataFolder + "tessavo.ini").c_str());
    LoadSettings();
    EXPECT_TRUE(Dialog().Box("cbAddrIM")->isChecked());
    Dialog().btnOKClick();
    EXPECT_EQ(QDialog::Accepted, Dialog().result());
    EXPECT_TRUE(AppSettings.AddrIM);
}

// Each box reaches its own setting and no other: flip one box at a time and look at all settings.
TEST_F(TfmDupOptionTest, OKTakesEveryBoxIntoItsOwnSetting)
{
    for (const RuleCase& flipped : kRules) {
        SCOPED_TRACE(flipped.box);
        LoadSettings();
        m_dialog.reset();
        Dialog().Box(flipped.box)->setChecked(!flipped.byDefault);
        Dialog().btnOKClick();
        for (const RuleCase& rule : kRules)
            EXPECT_EQ(&rule == &flipped ? !rule.byDefault : rule.byDefault, AppSettings.*rule.setting) << rule.box;
    }
}

TEST_F(TfmDupOptionTest, EveryBoxUntickedIsAccepted)
{
    for (const RuleCase& rule : kRules)
        Dialog().Box(rule.box)->setChecked(false);
    Dialog().btnOKClick();
    EXPECT_EQ(QDialog::Accepted, Dialog().result());
    for (const RuleCase& rule : kRules)
        EXPECT_FALSE(AppSettings.*rule.setting) << rule.box;
}

TEST_F(TfmDupOptionTest, CancelChangesNothing)
{
    const TAppSettings before = AppSettings;
    for (const RuleCase& rule : kRules)
        Dialog().Box(rule.box)->setChecked(!rule.byDefault);
    Dialog().btnCancel->click();
    EXPECT_EQ(QDialog::Rejected, Dialog().result());
    for (const RuleCase& rule : kRules)
        EXPECT_EQ(before.*rule.setting, AppSettings.*rule.setting) << rule.box;
}

TEST_F(TfmDupOptionTest, TheTwoMatchingModesAreOfferedWithTheirExplanations)
{
    EXPECT_EQ(QString("&Exact fields"), Dialog().rbtnExact->text());
    EXPECT_EQ(QString("&Smart matching"), Dialog().rbtnSmart->text());
    const QLabel* exactNote = Dialog().findChild<QLabel*>("lblExactNote");
    const QLabel* smartNote = Dialog().findChild<QLabel*>("lblSmartNote");
    ASSERT_NE(nullptr, exactNote);
    ASSERT_NE(nullptr, smartNote);
    EXPECT_EQ(QString("Contacts and events match when the fields ticked below agree."), exactNote->text());
    EXPECT_EQ(QString("Contacts match on their name and a shared e-mail address or phone number; events on subject "
                      "and time."),
              smartNote->text());
    // A new user starts with the field rule.
    EXPECT_TRUE(Dialog().rbtnExact->isChecked());
    EXPECT_FALSE(Dialog().rbtnSmart->isChecked());
}

// The mode shows, follows the user's choice at once in the boxes' state, and reaches the setting on
// OK only; the boxes' ticks survive a spell of smart matching unchanged.
TEST_F(TfmDupOptionTest, TheModeRoundTripsThroughOKAndCancelLeavesIt)
{
    struct Case
    {
        int32_t before;
        int32_t chosen;
        bool ok;
        int32_t after;
    };
    const Case cases[] = {
        {MATCH_EXACT, MATCH_SMART, true, MATCH_SMART},  {MATCH_SMART, MATCH_EXACT, true, MATCH_EXACT},
        {MATCH_EXACT, MATCH_SMART, false, MATCH_EXACT}, {MATCH_SMART, MATCH_EXACT, false, MATCH_SMART},
        {MATCH_SMART, MATCH_SMART, true, MATCH_SMART},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.before << " -> " << c.chosen << (c.ok ? " OK" : " Cancel"));
        LoadSettings();
        AppSettings.MatchMode = c.before;
        m_dialog.reset();
        EXPECT_EQ(c.before == MATCH_SMART, Dialog().rbtnSmart->isChecked());
        EXPECT_EQ(c.before == MATCH_EXACT, Dialog().rbtnExact->isChecked());
        for (const RuleCase& rule : kRules)
            EXPECT_EQ(c.before == MATCH_EXACT, Dialog().Box(rule.box)->isEnabled()) << rule.box;

        (c.chosen == MATCH_SMART ? Dialog().rbtnSmart : Dialog().rbtnExact)->click();
        for (const RuleCase& rule : kRules)
            EXPECT_EQ(c.chosen == MATCH_EXACT, Dialog().Box(rule.box)->isEnabled()) << rule.box;
        if (c.ok)
            Dialog().btnOKClick();
        else
            Dialog().btnCancel->click();
        EXPECT_EQ(c.after, AppSettings.MatchMode);
        for (const RuleCase& rule : kRules)
            EXPECT_EQ(rule.byDefault, AppSettings.*rule.setting) << rule.box;
    }
}

// The review page's tick rule for duplicates that would lose data: off for a new user, read from the
// settings file, taken on OK only, and open to change in both matching modes.
TEST_F(TfmDupOptionTest, TheUntickBoxShowsItsSettingAndOKTakesIt)
{
    EXPECT_EQ(QString("Leave duplicates that hold data the kept record lacks unticked"),
              Dialog().cbUntickLosing->text());
    EXPECT_FALSE(Dialog().cbUntickLosing->isChecked());

    struct Case
    {
        bool stored;
        int32_t mode;
        bool flip;
        bool ok;
        bool after;
    };
    const Case cases[] = {
        {true, MATCH_EXACT, false, true, true},
        {true, MATCH_SMART, true, true, false},
        {false, MATCH_SMART, true, true, true},
        {false, MATCH_EXACT, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "stored " << c.stored << " mode " << c.mode << (c.flip ? " flipped" : "")
                                        << (c.ok ? " OK" : " Cancel"));
        WriteSettingsFile("[Qosweep]\nMatchMode=" + std::to_string(c.mode) +
                          "\nUntickLosingDuplicates=" + (c.stored ? "1" : "0") + "\n");
        g_settingsFile.SetFilePath((m_dataFolder + "tessavo.ini").c_str());
        LoadSettings();
        m_dialog.reset();
        QCheckBox* box = Dialog().cbUntickLosing;
        EXPECT_EQ(c.stored, box->isChecked());
        EXPECT_TRUE(box->isEnabled());
        if (c.flip)
            box->click();
        if (c.ok)
            Dialog().btnOKClick();
        else
            Dialog().btnCancel->click();
        EXPECT_EQ(c.after, AppSettings.UntickLosingDuplicates);
    }
}

TEST_F(TfmDupOptionTest, WithoutPairsTheListSaysSoAndNothingCanBeForgotten)
{
    EXPECT_EQ(Dialog().lblNoPairs, Dialog().pPairs->currentWidget());
    EXPECT_EQ(QString("No pairs kept apart."), Dialog().lblNoPairs->text());
    EXPECT_FALSE(Dialog().btnForget->isEnabled());
    EXPECT_EQ(QString("&Forget"), Dialog().btnForget->text());
}

TEST_F(TfmDupOptionTest, ThePairsKeptApartAreListedWithTheirKind)
{
    KeepTwoPairsApart();
    EXPECT_EQ(Dialog().lvPairs, Dialog().pPairs->currentWidget());
    EXPECT_EQ((std::vector<QString>{QString::fromUtf8("Ann <ann@home.example> \u2014 Ann <ann@work.example> | Contact"),
                                    QString::fromUtf8("Review, 3/1/2024 \u2014 Review, 3/8/2024 | Event")}),
              ListedPairs());
    // Nothing chosen, nothing to forget.
    EXPECT_FALSE(Dialog().btnForget->isEnabled());
}

// Forget takes the pair off the list at once; the store and its file forget it only on OK.
TEST_F(TfmDupOptionTest, AForgottenPairGoesOnOKAndStaysOnCancel)
{
    struct Case
    {
        const char* what;
        std::vector<int> forget; // rows, each taken from the list as it then stands
        bool ok;
        std::vector<std::string> left; // the first identity of each pair left, in the file and the store
    };
    const Case cases[] = {
        {"the contact pair, OK", {0}, true, {"Work/e1"}},
        {"the event pair, OK", {1}, true, {"ann-1"}},
        {"both, OK", {0, 0}, true, {}},
        {"both, Cancel", {0, 0}, false, {"ann-1", "Work/e1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_notDuplicates.Clear();
        KeepTwoPairsApart();
        m_dialog.reset();
        for (const int row : c.forget)
            ForgetRow(row);
        EXPECT_EQ(static_cast<int>(2 - c.forget.size()), Dialog().lvPairs->topLevelItemCount());
        EXPECT_EQ(c.forget.size() == 2 ? static_cast<QWidget*>(Dialog().lblNoPairs) : Dialog().lvPairs,
                  Dialog().pPairs->currentWidget());
        EXPECT_EQ(2u, g_notDuplicates.Pairs().size()) << "not before the dialog closes";
        if (c.ok)
            Dialog().btnOKClick();
        else
            Dialog().btnCancel->click();

        std::vector<std::string> inStore;
        for (const NotDuplicatePair& p : g_notDuplicates.Pairs())
            inStore.push_back(p.first);
        EXPECT_EQ(c.left, inStore);
        EXPECT_EQ(c.left, SavedPairs());
    }
}

TEST_F(TfmDupOptionTest, ThePairsKeptInTheDataFolderAreListedFromTheStart)
{
    std::filesystem::create_directories(m_dataFolder);
    TempDir::WriteFile(PairsFile(), "contact\tc-1\tc-2\tBo <bo@a.example>\tBo <bo@b.example>\n");
    Window();
    EXPECT_EQ(std::vector<QString>{QString::fromUtf8("Bo <bo@a.example> \u2014 Bo <bo@b.example> | Contact")},
              ListedPairs());
    // The store saves back where it was read from.
    ForgetRow(0);
    Dialog().btnOKClick();
    EXPECT_EQ(std::vector<std::string>{}, SavedPairs());
}

TEST_F(TfmDupOptionTest, APairsFileThatCannotBeReadLeavesTheListEmptyAndIsLogged)
{
    // Far larger than any list of pairs, so the store refuses to read it (sparse: it takes no room,
    // and unlike a file without read permission it stays unreadable to a test run as root).
    std::filesystem::create_directories(m_dataFolder);
    TempDir::WriteFile(PairsFile(), "");
    std::filesystem::resize_file(PairsFile(), std::uintmax_t{1} << 30);
    Window();
    EXPECT_TRUE(g_notDuplicates.Pairs().empty());
    EXPECT_EQ(Dialog().lblNoPairs, Dialog().pPairs->currentWidget());
    const std::string log = TempDir::ReadFile(m_dataFolder + "appdebug.log");
    EXPECT_NE(std::string::npos, log.find("Could not read the pairs kept apart from " + PairsFile())) << log;
}
