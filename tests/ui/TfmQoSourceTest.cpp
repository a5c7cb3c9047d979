#include "app/TfmQoSource.h"
#include "app/TfmDump.h"
#include "app/TfmDupOption.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/google/records/CxGDataFile.h"
#include "tests/support/ServiceRecords.h"
#include "tests/support/WizardTest.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace {

const char* const kNoEmail = "Please enter the Email address of your Google account.";
const char* const kNoPassword = "Please enter the password of your Google account.";
const char* const kNoApplication = "Please select at lease one application to check and delete duplicates.";
const char* const kLoadFailed = "Can not retrieve your Google Contacts or Calendar information. Please make sure "
                                "that you entered the correct Email and Password.";
// What follows kLoadFailed when no helper program can be started, for both applications chosen.
const char* const kNoHelpers = "\n\nGoogle Contacts could not be loaded: the helper program could not be started.\n"
                               "Google Calendar could not be loaded: the helper program could not be started.";
const char* const kLoadingStep = "Loading Google information, please wait ...";

QWidget* NextTabStop(QWidget* widget)
{
    do
        widget = widget->nextInFocusChain();
    while (!(widget->focusPolicy() & Qt::TabFocus) || widget->isHidden());
    return widget;
}

// A main window that notes what is on screen while it loads, then loads for real or throws, as an
// unexpected failure deep in a load would.
class ProbeMain : public TfmMain
{
public:
    explicit ProbeMain(bool throws)
        : m_throws(throws)
    {}

    bool LoadServices() override
    {
        waitWindowUp = GetCurrentWaitWindow() != nullptr;
        waitCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        stepText = findChild<QLabel*>("lblStep")->text();
        if (m_throws)
            throw std::runtime_error("record list exhausted");
        return TfmMain::LoadServices();
    }

    bool waitWindowUp = false;
    bool waitCursor = false;
    QString stepText;

private:
    const bool m_throws;
};

class TfmQoSourceTest : public WizardTest
{
protected:
    TfmQoSource& Page() { return *Window().SourcePage(); }
    QLineEdit* Email() { return FindIn<QLineEdit>(Window().SourcePage(), "edtEmail"); }
    QLineEdit* Password() { return FindIn<QLineEdit>(Window().SourcePage(), "edtPassword"); }
    QCheckBox* Box(const char* name) { return FindIn<QCheckBox>(Window().SourcePage(), name); }
    QPushButton* PageButton(const char* name) { return FindIn<QPushButton>(Window().SourcePage(), name); }

    void Type(const QString& email, const QString& password)
    {
        Email()->setText(email);
        Password()->setText(password);
    }

    QString FocusName()
    {
        QWidget* focus = Window().focusWidget();
        return focus ? focus->objectName() : QString("(none)");
    }

    void PressNext() { QTest::mouseClick(Button("btnNext"), Qt::LeftButton); }

    // Loads fail at once: no helper program can be found.
    void WithoutHelpers() { SetHelperProgramFolder(m_programs.path().c_str()); }

    TempDir m_programs;
};

} // namespace

TEST_F(TfmQoSourceTest, PageHasItsControlsCaptionsAndTabOrder)
{
    struct Caption
    {
        const char* name;
        const char* text;
    };
    const Caption boxes[] = {
        {"cbSaveEmail", "Remember Email"},
        {"cbSavePassword", "Remember Password"},
        {"cbAddr", "Google Gmail Contacts"},
        {"cbDate", "Google Calendar"},
        {"cbTask", "Task"},
        {"cbNote", "Note"},
    };
    for (const Caption& c : boxes)
        EXPECT_EQ(QString(c.text), Box(c.name)->text()) << c.name;
    const Caption buttons[] = {
        {"btnSelAll", "Select All"}, {"btnClear", "&Clear"}, {"btnOption", "Customize Duplicate Checking Rule"}};
    for (const Caption& c : buttons)
        EXPECT_EQ(QString(c.text), PageButton(c.name)->text()) << c.name;
    EXPECT_EQ(QString("Email:"), Find<QLabel>("Label5")->text());
    EXPECT_EQ(Email(), Find<QLabel>("Label5")->buddy());
    EXPECT_EQ(Password(), Find<QLabel>("Label6")->buddy());
    EXPECT_EQ(QLineEdit::Password, Password()->echoMode());
    EXPECT_TRUE(Box("cbTask")->isHidden());
    EXPECT_TRUE(Box("cbNote")->isHidden());
    EXPECT_FALSE(Box("cbAddr")->isHidden());

    // Tab goes from control to control in this order (the hidden boxes take no focus).
    const char* const tabOrder[] = {"edtEmail", "edtPassword", "cbSaveEmail", "cbSavePassword", "cbAddr",
                                    "cbDate",   "btnSelAll",   "btnClear",    "btnOption"};
    QWidget* widget = Email();
    for (const char* name : tabOrder) {
        EXPECT_EQ(QString(name), widget->objectName());
        widget = NextTabStop(widget);
    }
}

TEST_F(TfmQoSourceTest, EnteringThePageShowsTheStoredSettings)
{
    WriteSettingsFile("[Qosweep]\r\nSaveEmail=1\r\nQoEmail=anna@example.com\r\nSavePassword=0\r\nAppFlag=2\r\n");
    EXPECT_EQ(QString("anna@example.com"), Email()->text());
    EXPECT_EQ(QString(), Password()->text());
    EXPECT_TRUE(Box("cbSaveEmail")->isChecked());
    EXPECT_FALSE(Box("cbSavePassword")->isChecked());
    EXPECT_FALSE(Box("cbAddr")->isChecked());
    EXPECT_TRUE(Box("cbDate")->isChecked());

    // What is typed but not confirmed with Next is replaced on the next entry.
    Type("typed@example.com", "typed");
    Box("cbAddr")->setChecked(true);
    Window().GoToPage(0);
    EXPECT_EQ(QString("anna@example.com"), Email()->text());
    EXPECT_EQ(QString(), Password()->text());
    EXPECT_FALSE(Box("cbAddr")->isChecked());
}

TEST_F(TfmQoSourceTest, TypingStartsInTheFirstBoxThatIsMissing)
{
    struct Case
    {
        const char* settings;
        const char* focus;
    };
    const Case cases[] = {
        {"", "edtEmail"},
        {"QoEmail=anna@example.com\r\n", "edtPassword"},
        {"QoEmail=anna@example.com\r\nSavePassword=1\r\nQoPassword=c2VjcmV0\r\n", "edtEmail"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        m_window.reset();
        WriteSettingsFile(std::string("[Qosweep]\r\n") + c.settings);
        Window().show();
        EXPECT_EQ(QString(c.focus), FocusName());
    }
}

TEST_F(TfmQoSourceTest, EmptyBoxesAreReportedOneAtATimeWithFocusOnTheBox)
{
    struct Case
    {
        const char* email;
        const char* password;
        const char* message;
        const char* focus;
    };
    const Case cases[] = {
        {"", "", kNoEmail, "edtEmail"},
        {"", "secret", kNoEmail, "edtEmail"},
        {"anna@example.com", "", kNoPassword, "edtPassword"},
    };
    Window();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        m_messages.clear();
        AppSettings.AppFlag = 3;
        AppSettings.SavePassword = true;
        Window().GoToPage(0);
        Type(c.email, c.password);
        Box("cbSavePassword")->setChecked(false);
        PressNext();
        ASSERT_EQ(1u, m_messages.size());
        EXPECT_EQ(QString(c.message), m_messages[0].text);
        EXPECT_EQ(QString("Error"), m_messages[0].title);
        EXPECT_EQ(QMessageBox::Information, m_messages[0].icon);
        EXPECT_EQ(QString(c.focus), FocusName());
        EXPECT_EQ(0, Window().CurrentPage());
        // Nothing was stored and nothing loaded.
        EXPECT_TRUE(AppSettings.SavePassword);
        EXPECT_EQ(nullptr, g_pAddrUtil);
    }
}

TEST_F(TfmQoSourceTest, TextsAreStoredCutTo63BytesOnWholeCharacters)
{
    WithoutHelpers();
    const QString password(70, QChar('p'));
    // 62 ASCII characters and a two-byte one: the cut keeps the 62.
    const QString email = QString(62, QChar('e')) + QString::fromUtf8("\xC3\xA9") + "@example.com";
    Type(email, password);
    PressNext();
    EXPECT_EQ(std::string(63, 'p'), AppSettings.Password);
    EXPECT_EQ(std::string(62, 'e'), AppSettings.Email);
}

TEST_F(TfmQoSourceTest, ClearLeavesNoApplicationWhateverTheHiddenBoxesHold)
{
    Type("anna@example.com", "secret");
    QTest::mouseClick(PageButton("btnClear"), Qt::LeftButton);
    for (const char* name : {"cbAddr", "cbDate", "cbTask", "cbNote"})
        EXPECT_FALSE(Box(name)->isChecked()) << name;
    Box("cbTask")->setChecked(true);
    Box("cbNote")->setChecked(true);
    PressNext();
    EXPECT_EQ(std::vector<QString>{kNoApplication}, MessageTexts());
    EXPECT_EQ(0, AppSettings.AppFlag);
    EXPECT_EQ(0, Window().CurrentPage());
    EXPECT_EQ(nullptr, g_pAddrUtil) << "no load without an application";
}

TEST_F(TfmQoSourceTest, SelectAllTicksEveryBoxWithoutTouchingTheSetting)
{
    Window();
    AppSettings.AppFlag = 0;
    Window().GoToPage(0);
    QTest::mouseClick(PageButton("btnSelAll"), Qt::LeftButton);
    for (const char* name : {"cbAddr", "cbDate", "cbTask", "cbNote"})
        EXPECT_TRUE(Box(name)->isChecked()) << name;
    EXPECT_EQ(0, AppSettings.AppFlag);
}

TEST_F(TfmQoSourceTest, TasksAndNotesInTheFileAreDroppedByNext)
{
    WithoutHelpers();
    WriteSettingsFile("[Qosweep]\r\nAppFlag=15\r\n");
    EXPECT_TRUE(Box("cbAddr")->isChecked());
    EXPECT_TRUE(Box("cbDate")->isChecked());
    Type("anna@example.com", "secret");
    PressNext();
    EXPECT_EQ(3, AppSettings.AppFlag);
}

TEST_F(TfmQoSourceTest, RememberPasswordChangesOnlyWithNext)
{
    WriteSettingsFile("[Qosweep]\r\nSavePassword=1\r\nQoPassword=c2VjcmV0\r\n");
    ASSERT_EQ(QString("secret"), Password()->text());
    Box("cbSavePassword")->setChecked(false);
    m_window.reset();
    CxIniUtil ini(m_dataFolder.c_str(), "tessavo.ini");
    EXPECT_EQ(1, ini.ReadNumber("Qosweep", "SavePassword", -1));
    char stored[256] = "";
    ini.ReadEntry("Qosweep", "QoPassword", stored, sizeof stored, "");
    EXPECT_STREQ("c2VjcmV0", stored);

    // With Next the choice is stored, even though the load then fails.
    WithoutHelpers();
    Email()->setText("anna@example.com");
    Box("cbSavePassword")->setChecked(false);
    PressNext();
    EXPECT_EQ(std::vector<QString>{QString(kLoadFailed) + kNoHelpers}, MessageTexts());
    EXPECT_FALSE(AppSettings.SavePassword);
    m_window.reset();
    EXPECT_EQ(0, CxIniUtil(m_dataFolder.c_str(), "tessavo.ini").ReadNumber("Qosweep", "SavePassword", -1));
}

// The message comes while the wait window and the wait cursor are still up; both are gone afterwards.
TEST_F(TfmQoSourceTest, AFailedLoadIsReportedAndKeepsTheWizardOnThePage)
{
    WithoutHelpers();
    bool waitWindowUp = false;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    m_onMessage = [&](const AppMessageRecord&) {
        waitWindowUp = GetCurrentWaitWindow() != nullptr;
        cursor = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor;
    };
    Type("anna@example.com", "secret");
    PressNext();
    EXPECT_EQ(std::vector<QString>{QString(kLoadFailed) + kNoHelpers}, MessageTexts());
    EXPECT_TRUE(waitWindowUp);
    EXPECT_EQ(Qt::WaitCursor, cursor);
    EXPECT_EQ(nullptr, GetCurrentWaitWindow());
    EXPECT_EQ(nullptr, QApplication::overrideCursor());
    EXPECT_EQ(0, Window().CurrentPage());
    EXPECT_FALSE(Button("btnPrev")->isEnabled());
    EXPECT_EQ(QString(kLoadingStep), Find<QLabel>("lblStep")->text());
}

// The helper's own words follow the message as its second paragraph, so a user whose account
// folder is gone does not go on checking the password.
TEST_F(TfmQoSourceTest, AFailedLoadAddsWhatTheHelperSaid)
{
    TempDir elsewhere;
    const std::string gone = elsewhere.path() + "moved-away";
    const struct
    {
        const char* email;
        const char* password;
        std::string said;
    } cases[] = {
        {"demo@example.com", "not the password", "Wrong password for demo@example.com"},
        {"anna@example.com", "secret", "Account folder not found: " + gone + "/"},
    };
    std::filesystem::create_directories(m_dataFolder);
    TempDir::WriteFile(m_dataFolder + "accounts.ini", "[anna@example.com]\nPassword=secret\nFolder=" + gone + "\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.email);
        m_messages.clear();
        m_window.reset();
        Type(c.email, c.password);
        Box("cbAddr")->setChecked(true);
        Box("cbDate")->setChecked(true);
        PressNext();
        const QString expected =
            QString(kLoadFailed) + "\n\nThe helper program said: " + QString::fromStdString(c.said);
        ASSERT_EQ(1u, m_messages.size());
        EXPECT_EQ(expected.toStdString(), m_messages[0].text.toStdString());
        EXPECT_EQ(0, Window().CurrentPage());
    }
}

TEST_F(TfmQoSourceTest, AnExceptionWhileLoadingShowsTheApologyOwnedByTheMainWindow)
{
    m_window = std::make_unique<ProbeMain>(true);
    g_debugLog.SetDebugEnabled(false);
    bool waitWindowUp = true;
    bool waitCursor = true;
    m_onDialog = [&](QDialog& dialog) -> int {
        EXPECT_NE(nullptr, qobject_cast<TfmDump*>(&dialog));
        waitWindowUp = GetCurrentWaitWindow() != nullptr;
        waitCursor = QApplication::overrideCursor() != nullptr;
        return QDialog::Accepted;
    };
    Type("anna@example.com", "secret");
    PressNext();
    EXPECT_EQ(std::vector<QString>{"fmDump"}, m_dialogs);
    EXPECT_EQ(std::vector<QWidget*>{m_window.get()}, m_dialogOwners);
    EXPECT_FALSE(waitWindowUp);
    EXPECT_FALSE(waitCursor);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(0, Window().CurrentPage());
    // The failure is in the debug log even when it is switched off, for the report to support.
    const std::string log = TempDir::ReadFile(m_dataFolder + "appdebug.log");
    EXPECT_NE(std::string::npos, log.find("Unhandled exception while loading: record list exhausted")) << log;
}

// The helper programs beside the test serve the demo account, installed on first use.
TEST_F(TfmQoSourceTest, ASuccessfulLoadMovesOnWithTheChosenApplicationsLoaded)
{
    auto probe = std::make_unique<ProbeMain>(false);
    ProbeMain& main = *probe;
    m_window = std::move(probe);
    Type("demo@example.com", "demo");
    Box("cbAddr")->setChecked(false);
    Box("cbDate")->setChecked(true);
    PressNext();
    EXPECT_TRUE(m_messages.empty()) << (m_messages.empty() ? "" : m_messages[0].text.toStdString());
    // The load ran behind the wait window and the wait cursor, with the loading step shown.
    EXPECT_TRUE(main.waitWindowUp);
    EXPECT_TRUE(main.waitCursor);
    EXPECT_EQ(QString(kLoadingStep), main.stepText);
    EXPECT_EQ(1, Window().CurrentPage());
    EXPECT_EQ(nullptr, GetCurrentWaitWindow());
    EXPECT_EQ(nullptr, QApplication::overrideCursor());
    ASSERT_NE(nullptr, g_pDateUtil);
    EXPECT_EQ(34u, g_pDateUtil->GetDateMgr()->GetRecordCount());
    EXPECT_EQ(0u, g_pAddrUtil->GetAddrMgr()->GetRecordCount()) << "contacts were not chosen";
}

// A main window whose load finds a contacts data file announcing three records and holding two.
class ShortFileMain : public TfmMain
{
public:
    explicit ShortFileMain(const std::string& folder)
        : m_folder(folder)
    {}
    bool LoadServices() override
    {
        InstallEmptyServices(m_folder);
        CxFile file;
        EXPECT_TRUE(file.Open((m_folder + "GAddr.dat").c_str(), "wb"));
        EXPECT_TRUE(file.WriteInt(3));
        CxGFieldWriter writer(file);
        for (const char* name : {"Ann", "Bea"}) {
            RecordPtr<GAddrRecord> contact = Zeroed<GAddrRecord>();
            CopyText(contact->szDisplayName, name);
            GAddrRecordFields(writer, *contact);
        }
        EXPECT_TRUE(file.CloseFlushed());
        return g_pAddrUtil->LoadDataFile();
    }

private:
    std::string m_folder;
};

TEST_F(TfmQoSourceTest, ADataFileCutShortLoadsWhatIsWholeAndSaysHowMuch)
{
    TempDir data;
    m_window = std::make_unique<ShortFileMain>(data.path());
    Type("anna@example.com", "secret");
    Box("cbAddr")->setChecked(true);
    Box("cbDate")->setChecked(false);
    PressNext();
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_EQ(QStringLiteral("Only 2 of 3 contacts could be read whole: the data the helper program handed over is "
                             "cut short."),
              m_messages[0].text);
    EXPECT_EQ(QMessageBox::Warning, m_messages[0].icon);
    EXPECT_EQ(1, Window().CurrentPage()) << "what was read is shown";
    EXPECT_EQ(2u, g_pAddrUtil->GetAddrMgr()->GetRecordCount());
}

TEST_F(TfmQoSourceTest, TheRuleDialogShowsTheSettingsAndItsOKTakesEffect)
{
    Window();
    AppSettings.AddrIM = false;
    m_onDialog = [](QDialog& dialog) -> int {
        auto* rules = qobject_cast<TfmDupOption*>(&dialog);
        EXPECT_NE(nullptr, rules);
        if (!rules)
            return QDialog::Rejected;
        EXPECT_TRUE(rules->Box("cbAddrEmail")->isChecked()) << "shown before it opens";
        rules->Box("cbAddrIM")->setChecked(true);
        rules->btnOKClick();
        return rules->result();
    };
    QTest::mouseClick(PageButton("btnOption"), Qt::LeftButton);
    EXPECT_EQ(std::vector<QString>{"fmDupOption"}, m_dialogs);
    EXPECT_EQ(std::vector<QWidget*>{&Page()}, m_dialogOwners);
    EXPECT_TRUE(AppSettings.AddrIM);
}
