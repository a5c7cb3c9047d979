#include "app/DebugInfoGroup.h"
#include "app/QoBanner.h"
#include "app/TfmDebug.h"
#include "app/TfmDump.h"
#include "tests/support/WizardTest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <string>

namespace {

// Both dialogs, owned by the main window as their openers make them.
struct DialogKind
{
    const char* name;
    std::function<std::unique_ptr<QDialog>(QWidget*)> make;
};

const DialogKind kDialogs[] = {
    {"TfmDebug", [](QWidget* owner) { return std::make_unique<TfmDebug>(owner); }},
    {"TfmDump", [](QWidget* owner) { return std::make_unique<TfmDump>(owner); }},
};

class DiagnosticsTest : public WizardTest
{
protected:
    // The dialog goes before the main window that owns it.
    void TearDown() override
    {
        m_debug.reset();
        WizardTest::TearDown();
    }

    TfmDebug& Debug()
    {
        if (!m_debug)
            m_debug = std::make_unique<TfmDebug>(&Window());
        return *m_debug;
    }

    std::unique_ptr<TfmDebug> m_debug;
};

} // namespace

TEST_F(DiagnosticsTest, DebugOptionsHaveTheirCaptionsAndLevels)
{
    EXPECT_EQ(QString("Qosweep Debug Log Options"), Debug().windowTitle());
    EXPECT_EQ(QSize(567, 393), Debug().size());
    EXPECT_EQ(QString("Enable Debug Log"), Debug().cbEnable->text());
    EXPECT_FALSE(Debug().cbxLevel->isEditable());
    ASSERT_EQ(3, Debug().cbxLevel->count());
    EXPECT_EQ(QString("Critical - Only log critical error information."), Debug().cbxLevel->itemText(0));
    EXPECT_EQ(QString("High - Log high level debug information."), Debug().cbxLevel->itemText(1));
    EXPECT_EQ(QString("Low - Log very detail debug information."), Debug().cbxLevel->itemText(2));
    EXPECT_EQ(QString(" Debug Information "), Debug().gbDebug->title());
}

// The list offers three levels: a stored level shows as an item, and OK stores the item's level.
TEST_F(DiagnosticsTest, LevelsMapToItemsAndBack)
{
    struct Case
    {
        const char* settings;
        int shownItem;
        int32_t storedByOK;
    };
    const Case cases[] = {
        {"LogLevel=0", 0, 0}, {"LogLevel=1", 1, 1},  {"LogLevel=2", 2, 3},
        {"LogLevel=3", 2, 3}, {"LogLevel=-5", 2, 3}, {"", 2, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        m_debug.reset();
        m_window.reset();
        WriteSettingsFile(std::string("[Qosweep]\r\n") + c.settings + "\r\n");
        EXPECT_EQ(c.shownItem, Debug().cbxLevel->currentIndex());
        Debug().btnOKClick();
        EXPECT_EQ(QDialog::Accepted, Debug().result());
        EXPECT_EQ(c.storedByOK, AppSettings.LogLevel);
    }
    // Nothing chosen at all counts as the most detailed level.
    Debug().cbxLevel->setCurrentIndex(-1);
    Debug().btnOKClick();
    EXPECT_EQ(3, AppSettings.LogLevel);
}

TEST_F(DiagnosticsTest, OKAppliesToTheLogAtOnceAndCancelChangesNothing)
{
    WriteSettingsFile("[Qosweep]\r\nEnableDebug=0\r\nLogLevel=0\r\n");
    Debug().cbEnable->setChecked(true);
    Debug().cbxLevel->setCurrentIndex(1);
    Debug().btnCancel->click();
    EXPECT_FALSE(AppSettings.EnableDebug);
    EXPECT_FALSE(g_debugLog.IsDebugEnabled());
    EXPECT_EQ(0, g_debugLog.GetLogLevel());

    m_debug.reset();
    Debug().cbEnable->setChecked(true);
    Debug().cbxLevel->setCurrentIndex(1);
    Debug().btnOK->click();
    EXPECT_TRUE(AppSettings.EnableDebug);
    EXPECT_EQ(1, AppSettings.LogLevel);
    EXPECT_TRUE(g_debugLog.IsDebugEnabled());
    EXPECT_EQ(1, g_debugLog.GetLogLevel());
    g_debugLog.Print(1, __FILE__, __LINE__, "level one line");
    g_debugLog.Print(2, __FILE__, __LINE__, "level two line");
    const std::string log = TempDir::ReadFile(m_dataFolder + "appdebug.log");
    EXPECT_NE(std::string::npos, log.find("level one line"));
    EXPECT_EQ(std::string::npos, log.find("level two line"));
}

// The group, the banner and their buttons are the same in both dialogs.
TEST_F(DiagnosticsTest, BothDialogsShowWhereTheLogLiesAndOpenIt)
{
    for (const DialogKind& kind : kDialogs) {
        SCOPED_TRACE(kind.name);
        m_opened.clear();
        m_messages.clear();
        std::filesystem::remove(m_dataFolder + "appdebug.log");
        std::unique_ptr<QDialog> dialog = kind.make(&Window());
        auto* group = dialog->findChild<DebugInfoGroup*>();
        ASSERT_NE(nullptr, group);
        EXPECT_EQ(QString::fromStdString(m_dataFolder), group->edtFolder->text());
        EXPECT_EQ(QString::fromStdString(m_dataFolder + "appdebug.log"), group->edtFile->text());
        EXPECT_TRUE(group->edtFolder->isReadOnly());
        EXPECT_TRUE(group->edtFile->isReadOnly());

        group->btnFolder->click();
        group->btnFile->click();
        EXPECT_EQ(std::vector<std::string>{m_dataFolder}, m_opened) << "a missing log is not opened";
        ASSERT_EQ(1u, m_messages.size());
        EXPECT_EQ(QString("Debug log file doesn't exist"), m_messages[0].text);
        EXPECT_EQ(QString("Error"), m_messages[0].title);
        EXPECT_EQ(QMessageBox::Information, m_messages[0].icon);

        TempDir::WriteFile(m_dataFolder + "appdebug.log", "a line\r\n");
        m_opened.clear();
        group->btnFile->click();
        EXPECT_EQ(std::vector<std::string>{m_dataFolder + "appdebug.log"}, m_opened);

        m_opened.clear();
        QTest::mouseClick(dialog->findChild<TClickLabel*>("imgLogo"), Qt::LeftButton);
        QTest::mouseClick(dialog->findChild<TClickLabel*>("lblTitle"), Qt::LeftButton);
        EXPECT_EQ(std::vector<std::string>(2, "https://www.qosweep.example.com/"), m_opened);
    }
}

TEST_F(DiagnosticsTest, WithoutADataFolderTheLogButtonsAreDisabled)
{
    Window();
    // A base that is a regular file cannot hold the data folder.
    TempDir::WriteFile(m_home.file("plain"), "x");
    ScopedEnv xdg("XDG_DATA_HOME", m_home.file("plain").c_str());
    for (const DialogKind& kind : kDialogs) {
        SCOPED_TRACE(kind.name);
        std::unique_ptr<QDialog> dialog = kind.make(&Window());
        auto* group = dialog->findChild<DebugInfoGroup*>();
        EXPECT_FALSE(group->btnFolder->isEnabled());
        EXPECT_FALSE(group->btnFile->isEnabled());
        EXPECT_TRUE(group->edtFolder->text().isEmpty());
        EXPECT_TRUE(group->edtFile->text().isEmpty());
    }
}

TEST_F(DiagnosticsTest, ApologyHasItsTextsAndTheSupportLink)
{
    TfmDump dump(&Window());
    EXPECT_EQ(QString("Handle Qosweep Exception"), dump.windowTitle());
    EXPECT_EQ(QSize(562, 398), dump.size());
    EXPECT_EQ(QString("We're sorry that an unhandled exception occurred  in Qosweep."),
              dump.findChild<QLabel*>("lblSorry")->text());
    EXPECT_EQ(QString("It is very appreciated if you can include the debug information in your error report."),
              dump.findChild<QLabel*>("lblNote")->text());
    EXPECT_EQ(QString("support@qosweep.example.com"), dump.lblSupport->text());
    EXPECT_EQ(QString("&Debug Options"), dump.btnDebug->text());
    EXPECT_EQ(QString("&OK"), dump.btnOK->text());
    EXPECT_EQ(QString("Quit Qosweep"), dump.btnExit->text());

    QTest::mouseClick(dump.lblSupport, Qt::LeftButton);
    EXPECT_EQ(std::vector<std::string>{"mailto:support@qosweep.example.com?subject=Qosweep%20Bug%20Report"}, m_opened);
}

// The debug options opened from the apology apply at once, while the apology is still open.
TEST_F(DiagnosticsTest, DebugOptionsFromTheApologyApplyAtOnce)
{
    WriteSettingsFile("[Qosweep]\r\nLogLevel=3\r\n");
    TfmDump dump(&Window());
    m_onDialog = [&](QDialog& dialog) -> int {
        auto* debug = qobject_cast<TfmDebug*>(&dialog);
        EXPECT_NE(nullptr, debug);
        if (!debug)
            return QDialog::Rejected;
        debug->cbxLevel->setCurrentIndex(0);
        debug->btnOKClick();
        EXPECT_EQ(0, g_debugLog.GetLogLevel()) << "before the options dialog has even returned";
        return debug->result();
    };
    dump.btnDebug->click();
    EXPECT_EQ(std::vector<QString>{"fmDebug"}, m_dialogs);
    EXPECT_EQ(std::vector<QWidget*>{&Window()}, m_dialogOwners);
    EXPECT_EQ(0, AppSettings.LogLevel);
}

// Shown for real: "Quit Qosweep" ends the apology's modal loop, then the main window closes through
// its normal path and the settings reach the file.
TEST_F(DiagnosticsTest, QuitClosesTheMainWindowAfterTheApologyAndSavesTheSettings)
{
    SetModalDialogHandler({});
    Window().show();
    AppSettings.AppFlag = 2;
    bool mainOpenDuringQuit = false;
    QTimer::singleShot(0, [&] {
        auto* dump = qobject_cast<TfmDump*>(QApplication::activeModalWidget());
        ASSERT_NE(nullptr, dump);
        dump->btnExit->click();
        mainOpenDuringQuit = Window().isVisible();
    });
    ShowExceptionDialog();
    EXPECT_TRUE(mainOpenDuringQuit) << "the main window waits for the dialog to end";
    QTest::qWait(50);
    EXPECT_FALSE(Window().isVisible());
    m_window.reset();
    EXPECT_EQ(2, CxIniUtil(m_dataFolder.c_str(), "tessavo.ini").ReadNumber("Qosweep", "AppFlag", -1));
}
