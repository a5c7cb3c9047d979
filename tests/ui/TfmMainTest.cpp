#include "app/TfmMain.h"
#include "app/TfmDebug.h"
#include "app/TfmQoClean.h"
#include "app/TfmQoData.h"
#include "app/TfmQoSource.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/WinUtil.h"
#include "common/platform/Platform.h"
#include "tests/support/WizardTest.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TfmMainTest : public WizardTest
{
protected:
    QString StepText() { return Find<QLabel>("lblStep")->text(); }

    void ExpectPage(int page, bool prev, bool next, const char* cancel, const char* step)
    {
        SCOPED_TRACE(page);
        EXPECT_EQ(page, Window().CurrentPage());
        EXPECT_EQ(prev, Button("btnPrev")->isEnabled());
        EXPECT_EQ(next, Button("btnNext")->isEnabled());
        EXPECT_EQ(QString(cancel), Button("btnCancel")->text());
        EXPECT_EQ(QString(step), StepText());
        QWidget* pages[] = {Window().SourcePage(), Window().DataPage(), Window().CleanPage()};
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(i == page, !pages[i]->isHidden()) << "page " << i;
    }
};

const char* const kStep0 = "Please select enter your Google login information";
const char* const kStep1 = "Please select the duplicate items that you want to delete.";
const char* const kStep2 = "Deleting duplicate items now.";

} // namespace

TEST_F(TfmMainTest, WindowHasItsCaptionSizeAndControls)
{
    TfmMain& w = Window();
    EXPECT_EQ(QString("Qosweep - Remove Duplicates in Google Contacts & Google Calendar"), w.windowTitle());
    EXPECT_EQ(QSize(794, 594), w.size());
    EXPECT_EQ(113, w.findChild<QWidget*>("pTop")->height());
    EXPECT_EQ(54, w.findChild<QWidget*>("pBottom")->height());
    EXPECT_EQ(QString("Qosweep"), w.findChild<QLabel*>("Label1")->text());
    EXPECT_EQ(QString("&Help"), Button("btnHelp")->text());
    EXPECT_EQ(QString("&Troubleshooting"), Button("btnDebug")->text());
    EXPECT_EQ(QString("<  &Prev"), Button("btnPrev")->text());
    EXPECT_EQ(QString("&Next  >"), Button("btnNext")->text());
    QWidget* client = w.findChild<QWidget*>("pClient");
    for (QWidget* page : {static_cast<QWidget*>(w.SourcePage()), static_cast<QWidget*>(w.DataPage()),
                          static_cast<QWidget*>(w.CleanPage())})
        EXPECT_EQ(client, page->parentWidget());
}

TEST_F(TfmMainTest, ButtonsFollowThePages)
{
    // The demo account, which the helpers beside the program serve.
    Find<QLineEdit>("edtEmail")->setText("demo@example.com");
    Find<QLineEdit>("edtPassword")->setText("demo");
    ExpectPage(0, false, true, "&Cancel", kStep0);
    QTest::mouseClick(Button("btnNext"), Qt::LeftButton);
    ExpectPage(1, true, true, "&Cancel", kStep1);
    QTest::mouseClick(Button("btnPrev"), Qt::LeftButton);
    ExpectPage(0, false, true, "&Cancel", kStep0);
    QTest::mouseClick(Button("btnNext"), Qt::LeftButton);
    QTest::mouseClick(Button("btnNext"), Qt::LeftButton);
    ExpectPage(2, false, false, "&Finish", kStep2);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(TfmMainTest, PageIndexesOutOfRangeAreClamped)
{
    Window().GoToPage(9);
    ExpectPage(2, false, false, "&Finish", kStep2);
    Window().GoToPage(-4);
    ExpectPage(0, false, true, "&Cancel", kStep0);
}

TEST_F(TfmMainTest, StepTextCanBeSetByThePages)
{
    Window().SetStepText("Loading Google information, please wait ...");
    EXPECT_EQ(QString("Loading Google information, please wait ..."), StepText());
    Window().ShowPage();
    EXPECT_EQ(QString(kStep0), StepText());
}

TEST_F(TfmMainTest, StartUpReadsSettingsAndConfiguresTheLogInTheDataFolder)
{
    WriteSettingsFile("[Qosweep]\r\nAppFlag=3\r\nEnableDebug=1\r\nLogLevel=3\r\n");
    Window();
    EXPECT_EQ(3, AppSettings.AppFlag);
    EXPECT_TRUE(AppSettings.EnableDebug);

    g_debugLog.Print(2, __FILE__, __LINE__, "progress %d", 42);
    const std::string log = TempDir::ReadFile(m_dataFolder + "appdebug.log");
    EXPECT_NE(std::string::npos, log.find("progress 42\r\n")) << log;
}

TEST_F(TfmMainTest, ClosingSavesTheSettingsOnEveryPage)
{
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        Window().GoToPage(page);
        AppSettings.AppFlag = 100 + page;
        QTest::mouseClick(Button("btnCancel"), Qt::LeftButton);
        EXPECT_FALSE(Window().isVisible());
        m_window.reset();
        CxIniUtil ini(m_dataFolder.c_str(), "tessavo.ini");
        EXPECT_EQ(100 + page, ini.ReadNumber("Qosweep", "AppFlag", -1));
    }
}

// Nothing chosen: the set is created without running a helper, and the load reports failure.
TEST_F(TfmMainTest, DestroyingTheWindowSavesTheSettingsThenEmptiesTheServiceSet)
{
    AppSettings.AppFlag = 0;
    EXPECT_FALSE(Window().LoadServices());
    ASSERT_NE(nullptr, g_pAddrUtil);
    ASSERT_NE(nullptr, g_pNoteDupList);
    AppSettings.AppFlag = 42;
    m_window.reset();
    EXPECT_EQ(nullptr, g_pAddrUtil);
    EXPECT_EQ(nullptr, g_pDateUtil);
    EXPECT_EQ(nullptr, g_pTaskUtil);
    EXPECT_EQ(nullptr, g_pNoteUtil);
    EXPECT_EQ(nullptr, g_pAddrDupList);
    EXPECT_EQ(nullptr, g_pDateDupList);
    EXPECT_EQ(nullptr, g_pTaskDupList);
    EXPECT_EQ(nullptr, g_pNoteDupList);
    EXPECT_EQ(42, CxIniUtil(m_dataFolder.c_str(), "tessavo.ini").ReadNumber("Qosweep", "AppFlag", -1));
}

TEST_F(TfmMainTest, HelpOpensThePageBesideTheProgram)
{
    QTest::mouseClick(Button("btnHelp"), Qt::LeftButton);
    const std::string expected = platform::ProgramFolder() + "Qosweep.chm";
    ASSERT_EQ(std::vector<std::string>{expected}, m_opened);
    const std::string page = TempDir::ReadFile(expected);
    EXPECT_NE(std::string::npos, page.find("duplicate rule")) << "the shipped help page is missing";
}

TEST_F(TfmMainTest, TroubleshootingShowsTheDebugLogOptionsOwnedByTheMainWindow)
{
    m_onDialog = [](QDialog& dialog) -> int {
        EXPECT_NE(nullptr, qobject_cast<TfmDebug*>(&dialog));
        return QDialog::Rejected;
    };
    QTest::mouseClick(Button("btnDebug"), Qt::LeftButton);
    EXPECT_EQ(std::vector<QString>{"fmDebug"}, m_dialogs);
    EXPECT_EQ(std::vector<QWidget*>{&Window()}, m_dialogOwners);
}

TEST_F(TfmMainTest, WithoutADataFolderTheSettingsStayBesideTheProgram)
{
    // A base that is a regular file cannot hold the data folder.
    TempDir::WriteFile(m_home.file("plain"), "x");
    setenv("XDG_DATA_HOME", m_home.file("plain").c_str(), 1);
    g_settingsFile.SetFilePath(m_home.file("elsewhere.ini").c_str());
    TempDir::WriteFile(m_home.file("elsewhere.ini"), "[Qosweep]\nAppFlag=1\n");
    Window();
    // The settings file keeps its earlier place, the log goes beside the program, and it goes on.
    EXPECT_EQ(1, AppSettings.AppFlag);
    EXPECT_EQ(platform::ProgramFolder(), g_debugLog.GetFolder());
    ExpectPage(0, false, true, "&Cancel", kStep0);
}
