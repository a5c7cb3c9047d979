#include "app/TfmQoClean.h"
#include "app/QoBanner.h"
#include "app/TfmQoSource.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/platform/Platform.h"
#include "tests/support/ServiceRecords.h"
#include "tests/support/TestHelperFolder.h"
#include "tests/support/WizardTest.h"
#include "tests/support/ZeroedRecord.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

const std::string kRule(80, '=');
const char* const kSucceeded = "Deletion succeeded.";
const char* const kFailed = "Deletion failed.";

struct Contact
{
    const char* name;
    const char* company;
    const char* title;
    const char* email;
    const char* phone;
};

// The times as texts are what the log must show for the values, not computed from them.
struct Event
{
    const char* subject;
    const char* location;
    double start;
    double end;
    int32_t allDay;
    const char* startText;
    const char* endText;
};

RecordPtr<GAddrRecord> MakeContact(const Contact& c)
{
    RecordPtr<GAddrRecord> r = Zeroed<GAddrRecord>();
    CopyText(r->szDisplayName, c.name);
    CopyText(r->szCompanyName, c.company);
    CopyText(r->szJobTitle, c.title);
    CopyText(r->szEmailPrimary, c.email);
    CopyText(r->szPhonePrimary, c.phone);
    return r;
}

RecordPtr<GDateRecord> MakeEvent(const Event& e)
{
    RecordPtr<GDateRecord> r = Zeroed<GDateRecord>();
    CopyText(r->szSubject, e.subject);
    CopyText(r->szLocation, e.location);
    r->dtStart = e.start;
    r->dtEnd = e.end;
    r->nAllDayEvent = e.allDay;
    return r;
}

std::string Shown(const char* value)
{
    return value && value[0] ? value : "<empty>";
}

Lines ContactBlock(const Contact& c, const char* verdict = kSucceeded)
{
    return {"Deleting contact item ...",
            std::string("\tDisplay Name: ") + Shown(c.name),
            std::string("\tCompany: ") + Shown(c.company),
            std::string("\tTitle: ") + Shown(c.title),
            std::string("\tEmail: ") + Shown(c.email),
            std::string("\tPhone: ") + Shown(c.phone),
            verdict,
            ""};
}

Lines EventBlock(const Event& e, const char* verdict = kSucceeded)
{
    return {"Deleting calendar item ...",
            std::string("\tSubject: ") + Shown(e.subject),
            std::string("\tLocation: ") + Shown(e.location),
            std::string("\tStart Time: ") + e.startText,
            std::string("\tEnd Time: ") + e.endText,
            std::string("\tAll Day Event: ") + (e.allDay ? "Yes" : "No"),
            verdict,
            ""};
}

const Lines kHead{"Start deleting duplicate records ...", kRule, ""};

Lines Summary(const std::string& contacts, const std::string& events)
{
    return {kRule, "Deleting duplicates finished:", "\t" + contacts, "\t" + events, ""};
}

std::string Repeat(const std::string& text, int times)
{
    std::string all;
    for (int i = 0; i < times; ++i)
        all += text;
    return all;
}

Lines Joined(std::initializer_list<Lines> parts)
{
    Lines all;
    for (const Lines& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A page whose contact step throws once it has handled the given number of records, as a damaged
// record list deep in a deletion would.
class ThrowingClean : public TfmQoClean
{
public:
    ThrowingClean(QWidget* parent, int throwAfter)
        : TfmQoClean(parent)
        , m_throwAfter(throwAfter)
    {}

    bool waitWindowUp = false;

protected:
    void DeleteContactItem(GAddrRecord* pRecord) override
    {
        TfmQoClean::DeleteContactItem(pRecord);
        waitWindowUp = GetCurrentWaitWindow() != nullptr;
        if (++m_handled == m_throwAfter)
            throw std::runtime_error("record list damaged");
    }

private:
    const int m_throwAfter;
    int m_handled = 0;
};

class TfmQoCleanTest : public WizardTest
{
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        std::filesystem::create_directories(m_dataFolder);
        // No helper program unless a test places one.
        SetHelperProgramFolder(m_programs.path().c_str());
        InstallEmptyServices(m_dataFolder);
        // The window first: making it reads the settings, which would undo a test's choice below.
        Window();
        AppSettings.AppFlag = APP_CONTACTS | APP_CALENDAR;
    }

    void TearDown() override
    {
        SetHelperTimeout(CxGAppDataReader::kDefaultTimeout);
        WizardTest::TearDown();
    }

    TfmQoClean& Page() { return *Window().CleanPage(); }

    // A record as the load and the review page leave it: kept by its utility, handed out through its
    // common record, in the duplicate list, ticked or not.
    template <typename Record>
    static Record* Listed(Record* raw, CxList* dupList, bool ticked)
    {
        raw->dwFlags = ticked ? REC_DUPLICATE | REC_SELECTED : uint32_t{REC_DUPLICATE};
        dupList->Add(raw);
        return raw;
    }

    static GAddrRecord* AddContact(const Contact& c, bool ticked)
    {
        return Listed(::AddContact(*MakeContact(c)), g_pAddrDupList, ticked);
    }

    static GDateRecord* AddEvent(const Event& e, bool ticked)
    {
        return Listed(::AddEvent(*MakeEvent(e)), g_pDateDupList, ticked);
    }

    // The stand-in helper under the real helpers' names in the program folder, following the script
    // in the data folder.
    void PlaceHelpers(const TempDir& programs, bool contacts, bool calendar, const std::string& script = "")
    {
        if (contacts)
            PlaceTestHelper(programs.path(), "Ombracon.exe");
        if (calendar)
            PlaceTestHelper(programs.path(), "Ombracal.exe");
        TempDir::WriteFile(m_dataFolder + "HelperScript.txt", script);
    }

    // Entering the page, then the timer's work, without waiting for the timer.
    void Delete()
    {
        Page().TransferData(false);
        Page().tmStartTimer();
    }

    static Lines LogLines(const QPlainTextEdit& memo)
    {
        Lines lines;
        for (QTextBlock b = memo.document()->begin(); b.isValid(); b = b.next())
            lines.push_back(b.text().toStdString());
        return lines;
    }
    Lines Log() { return LogLines(*Page().memLog); }

    // One line per helper run, as the stand-in records them in the work folder.
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

    TempDir m_programs;
};

} // namespace

TEST_F(TfmQoCleanTest, PageHasItsControls)
{
    TfmQoClean& page = Page();
    EXPECT_EQ(QString("fmQoClean"), page.objectName());
    EXPECT_EQ(page.memLog, page.findChild<QPlainTextEdit*>("memLog"));
    EXPECT_EQ(page.pbDel, page.findChild<QProgressBar*>("pbDel"));
    EXPECT_EQ(page.lblBack, page.findChild<TClickLabel*>("lblBack"));
    EXPECT_EQ(page.tmStart, page.findChild<QTimer*>("tmStart"));

    EXPECT_TRUE(page.memLog->isReadOnly());
    EXPECT_EQ(QPlainTextEdit::NoWrap, page.memLog->lineWrapMode());
    EXPECT_EQ(Qt::ScrollBarAlwaysOn, page.memLog->horizontalScrollBarPolicy());
    EXPECT_EQ(Qt::ScrollBarAlwaysOn, page.memLog->verticalScrollBarPolicy());
    EXPECT_EQ(QString("Deletion log"), page.memLog->accessibleName());
    EXPECT_EQ(0, page.pbDel->minimum());
    EXPECT_EQ(100, page.pbDel->maximum());
    EXPECT_EQ(QString("Back to First Step"), page.lblBack->text());
    EXPECT_EQ(Qt::PointingHandCursor, page.lblBack->cursor().shape());
    EXPECT_TRUE(page.lblBack->styleSheet().contains("color: blue"));
    EXPECT_TRUE(page.lblBack->styleSheet().contains("underline"));
    EXPECT_TRUE(page.tmStart->isSingleShot());
    EXPECT_EQ(1000, page.tmStart->interval());
    EXPECT_FALSE(page.tmStart->isActive()) << "armed only by entering the page";
}

TEST_F(TfmQoCleanTest, EnteringThePageWritesTheHeadAndArmsTheTimer)
{
    TfmQoClean& page = Page();
    page.memLog->setPlainText("left from the last visit\nsecond line");
    page.m_nDeletedContacts = 4;
    page.m_nDeletedEvents = 3;
    page.m_nDeletedTasks = 2;
    page.m_nDeletedNotes = 1;
    page.pbDel->setValue(100);

    EXPECT_TRUE(page.TransferData(false));

    EXPECT_EQ(kHead, Log());
    EXPECT_EQ(0, page.m_nDeletedContacts);
    EXPECT_EQ(0, page.m_nDeletedEvents);
    EXPECT_EQ(0, page.m_nDeletedTasks);
    EXPECT_EQ(0, page.m_nDeletedNotes);
    EXPECT_TRUE(page.tmStart->isActive());
    EXPECT_EQ(0, page.pbDel->value());

    // Leaving takes nothing and changes nothing.
    EXPECT_TRUE(page.TransferData(true));
    EXPECT_EQ(kHead, Log());
    EXPECT_TRUE(page.tmStart->isActive());
    page.tmStart->stop();
}

TEST_F(TfmQoCleanTest, TimerStartsTheDeletionOnceAboutASecondAfterEntering)
{
    TfmQoClean& page = Page();
    page.TransferData(false);
    QTest::qWait(500);
    EXPECT_EQ(kHead, Log()) << "started too early";

    QElapsedTimer waited;
    waited.start();
    while (page.pbDel->value() != 100 && !waited.hasExpired(3000))
        QTest::qWait(20);
    const Lines once =
        Joined({kHead, Summary("0 duplicate contact items deleted.", "0 duplicate calendar items deleted.")});
    EXPECT_EQ(once, Log());
    EXPECT_FALSE(page.tmStart->isActive());

    // Another interval later the deletion has not run again.
    QTest::qWait(1200);
    EXPECT_EQ(once, Log());
}

TEST_F(TfmQoCleanTest, UntickedDuplicatesAreLeftAloneAndNothingIsSaved)
{
    PlaceHelpers(m_programs, true, true);
    std::vector<GAddrRecord*> contacts;
    for (const char* name : {"Ann", "Bob", "Cy"})
        contacts.push_back(AddContact({name, "Acme", "", "", ""}, false));
    GDateRecord* events[] = {AddEvent({"Standup", "", 0, 0, 0, "", ""}, false),
                             AddEvent({"Review", "", 0, 0, 0, "", ""}, false)};

    Delete();

    EXPECT_EQ(Joined({kHead, Summary("0 duplicate contact items deleted.", "0 duplicate calendar items deleted.")}),
              Log());
    EXPECT_EQ(100, Page().pbDel->value());
    EXPECT_EQ(5, Page().m_nTotal);
    EXPECT_EQ(5, Page().m_nProcessed);
    for (const GAddrRecord* c : contacts)
        EXPECT_EQ(0, c->ActionCode) << c->szDisplayName;
    for (const GDateRecord* e : events)
        EXPECT_EQ(0, e->ActionCode) << e->szSubject;
    // Neither save ran: no data file was written and no helper started.
    EXPECT_FALSE(platform::FileExists((m_dataFolder + "GAddr.dat").c_str()));
    EXPECT_FALSE(platform::FileExists((m_dataFolder + "GDate.dat").c_str()));
    EXPECT_EQ(Lines{}, HelperRuns());
}

TEST_F(TfmQoCleanTest, FiveTickedOfTenContactsAreLoggedMarkedAndSavedOnce)
{
    AppSettings.AppFlag = APP_CONTACTS;
    PlaceHelpers(m_programs, true, false);
    const Contact ticked[] = {
        {"Ann Lee", "Acme", "CEO", "ann@example.com", "555-0100"},
        {"Bob Hay", "", "Driver", "bob@example.com", "555-0101"},
        {"Cy Ong", "Ong & Söhne", "", "cy@example.com", ""},
        {"", "", "", "", ""},
        {"Eve Tan", "Globex", "CTO", "", "555-0104"},
    };
    std::vector<GAddrRecord*> tickedRecords;
    std::vector<GAddrRecord*> untickedRecords;
    for (const Contact& c : ticked) {
        tickedRecords.push_back(AddContact(c, true));
        untickedRecords.push_back(AddContact({"Kept", "Keep Co", "", "", ""}, false));
    }
    Page().TransferData(false);
    std::vector<int> bar;
    QObject::connect(Page().pbDel, &QProgressBar::valueChanged, [&](int value) { bar.push_back(value); });

    Page().tmStartTimer();

    EXPECT_EQ((std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}), bar);
    const Lines expected =
        Joined({kHead, ContactBlock(ticked[0]), ContactBlock(ticked[1]), ContactBlock(ticked[2]),
                ContactBlock(ticked[3]), ContactBlock(ticked[4]),
                Summary("5 duplicate contact items deleted.", "0 duplicate calendar items deleted.")});
    EXPECT_EQ(expected, Log());
    // The second block as it reads, to the letter.
    const Lines log = Log();
    ASSERT_EQ(expected.size(), log.size());
    const Lines second(log.begin() + 11, log.begin() + 19);
    EXPECT_EQ((Lines{"Deleting contact item ...", "\tDisplay Name: Bob Hay", "\tCompany: <empty>", "\tTitle: Driver",
                     "\tEmail: bob@example.com", "\tPhone: 555-0101", "Deletion succeeded.", ""}),
              second);
    EXPECT_EQ(5, Page().m_nDeletedContacts);
    for (const GAddrRecord* r : tickedRecords)
        EXPECT_EQ(ACTION_DELETE, r->ActionCode);
    for (const GAddrRecord* r : untickedRecords)
        EXPECT_EQ(0, r->ActionCode);
    EXPECT_EQ(Lines{"op=2 data=GAddr.dat"}, HelperRuns());
}

TEST_F(TfmQoCleanTest, EventFieldsAreLoggedWithTimesAndAllDayFlag)
{
    AppSettings.AppFlag = APP_CALENDAR;
    PlaceHelpers(m_programs, false, true);
    const Event events[] = {
        {"Standup", "Room 1", 45000.375, 45000.40625, 0, "09:00:00", "09:45:00"},
        {"Holiday", "", 0, 0, 1, "N/A", "N/A"},
        {"Offsite", "Lodge", 45001.5, 45002.75, 7, "12:00:00", "18:00:00"},
    };
    for (const Event& e : events)
        AddEvent(e, true);

    Delete();

    EXPECT_EQ(Joined({kHead, EventBlock(events[0]), EventBlock(events[1]), EventBlock(events[2]),
                      Summary("0 duplicate contact items deleted.", "3 duplicate calendar items deleted.")}),
              Log());
    const Lines log = Log();
    for (const char* line : {"\tAll Day Event: Yes", "\tStart Time: N/A", "\tAll Day Event: No"})
        EXPECT_NE(log.end(), std::find(log.begin(), log.end(), line)) << line;
    EXPECT_EQ(Lines{"op=2 data=GDate.dat"}, HelperRuns());
}

TEST_F(TfmQoCleanTest, WithOnlyCalendarChosenContactsAreNeitherWalkedNorCounted)
{
    AppSettings.AppFlag = APP_CALENDAR;
    PlaceHelpers(m_programs, true, true);
    GAddrRecord* contacts[] = {AddContact({"Ann", "", "", "", ""}, true), AddContact({"Bob", "", "", "", ""}, true)};
    const Event standup{"Standup", "", 0, 0, 0, "N/A", "N/A"};
    AddEvent(standup, true);
    AddEvent({"Review", "", 0, 0, 0, "N/A", "N/A"}, false);
    Page().TransferData(false);
    std::vector<int> bar;
    QObject::connect(Page().pbDel, &QProgressBar::valueChanged, [&](int value) { bar.push_back(value); });

    Page().tmStartTimer();

    EXPECT_EQ(Joined({kHead, EventBlock(standup),
                      Summary("0 duplicate contact items deleted.", "1 duplicate calendar items deleted.")}),
              Log());
    EXPECT_EQ(2, Page().m_nTotal);
    EXPECT_EQ((std::vector<int>{50, 100}), bar);
    EXPECT_EQ(0, Page().m_nDeletedContacts);
    for (const GAddrRecord* c : contacts)
        EXPECT_EQ(0, c->ActionCode);
    EXPECT_EQ(Lines{"op=2 data=GDate.dat"}, HelperRuns());
}

TEST_F(TfmQoCleanTest, RecordThatCannotBeMarkedIsLoggedAsFailedAndTheWalkGoesOn)
{
    AppSettings.AppFlag = APP_CONTACTS;
    PlaceHelpers(m_programs, true, false);
    const Contact ann{"Ann", "Acme", "", "", ""};
    const Contact lost{"Lost", "", "", "", ""};
    const Contact cy{"Cy", "", "", "", ""};
    AddContact(ann, true);
    AddContact(lost, true)->pMgrNode = nullptr; // no common record to mark it through
    GAddrRecord* last = AddContact(cy, true);

    Delete();

    EXPECT_EQ(Joined({kHead, ContactBlock(ann), ContactBlock(lost, kFailed), ContactBlock(cy),
                      Summary("2 duplicate contact items deleted.", "0 duplicate calendar items deleted.")}),
              Log());
    EXPECT_EQ(2, Page().m_nDeletedContacts);
    EXPECT_EQ(ACTION_DELETE, last->ActionCode);
    EXPECT_EQ(100, Page().pbDel->value());
}

TEST_F(TfmQoCleanTest, SaveThatLeavesTheAccountUnchangedIsReportedNotCountedAsDeleted)
{
    struct Case
    {
        const char* name;
        bool workFolderExists;
        bool contactsHelper;
        bool calendarHelper;
        std::string script;
        uint32_t timeout;
        const char* contactsReason; // null: the save went through
        const char* eventsReason;
        const char* contactsVerdict;
        const char* eventsVerdict;
    };
    const char* const kNotWritten = "the data file could not be written.";
    const char* const kNotStarted = "the helper program could not be started.";
    const char* const kReported = "the helper program reported: Invalid credentials";
    const char* const kLate = "Deletion not confirmed: the helper program did not finish in time.";
    const Case cases[] = {
        {"both saved", true, true, true, "", 5000, nullptr, nullptr, kSucceeded, kSucceeded},
        {"work folder missing", false, true, true, "", 5000, kNotWritten, kNotWritten,
         "Deletion failed: the data file could not be written.",
         "Deletion failed: the data file could not be written."},
        {"helpers missing", true, false, false, "", 5000, kNotStarted, kNotStarted,
         "Deletion failed: the helper program could not be started.",
         "Deletion failed: the helper program could not be started."},
        {"only the calendar helper missing", true, true, false, "", 5000, nullptr, kNotStarted, kSucceeded,
         "Deletion failed: the helper program could not be started."},
        // The stand-in that reports an error deletes none of what it was given.
        {"helpers report an error", true, true, true, "error Quota low\nerror Invalid credentials\n", 5000, kReported,
         kReported, "Deletion failed: Invalid credentials", "Deletion failed: Invalid credentials"},
        // The error written before the limit passed is not what stopped the save; an overrun helper may have
        // deleted any part of what it was given, so the account is not said to be unchanged.
        {"helpers overrun", true, true, true, "error Signing in\nsleep 400\n", 100, nullptr, nullptr, kLate, kLate},
    };
    const Contact ann{"Ann", "Acme", "", "ann@example.com", ""};
    const Event standup{"Standup", "Room 1", 0, 0, 0, "N/A", "N/A"};
    const auto notUpdated = [](const char* reason) {
        return reason ? Lines{std::string("The Google account was not updated: ") + reason} : Lines{};
    };
    const auto summary = [kLate](const char* kind, const char* reason, const char* verdict) {
        if (verdict == kLate)
            return std::string("The deletion of 1 duplicate ") + kind +
                   " items may not have finished: the helper program did not finish in time. Load the account "
                   "again to see what is left.";
        return reason ? std::string("1 duplicate ") + kind + " items marked, but the Google account was not updated."
                      : std::string("1 duplicate ") + kind + " items deleted.";
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir programs;
        SetHelperProgramFolder(programs.path().c_str());
        SetHelperTimeout(c.timeout);
        PlaceHelpers(programs, c.contactsHelper, c.calendarHelper, c.script);
        InstallEmptyServices(c.workFolderExists ? m_dataFolder : m_dataFolder + "missing/");
        AddContact(ann, true);
        AddEvent(standup, true);

        Delete();

        EXPECT_EQ(Joined({kHead, ContactBlock(ann, c.contactsVerdict), notUpdated(c.contactsReason),
                          EventBlock(standup, c.eventsVerdict), notUpdated(c.eventsReason),
                          Summary(summary("contact", c.contactsReason, c.contactsVerdict),
                                  summary("calendar", c.eventsReason, c.eventsVerdict))}),
                  Log());
        // The counters still tell what was marked.
        EXPECT_EQ(1, Page().m_nDeletedContacts);
        EXPECT_EQ(1, Page().m_nDeletedEvents);
        EXPECT_EQ(100, Page().pbDel->value());
        ReleaseHelperRunners();
        platform::DeleteFile((m_dataFolder + "HelperRuns.txt").c_str());
    }
}

TEST_F(TfmQoCleanTest, EachSaveRunsBehindTheWaitWindowWithItsStatusFile)
{
    PlaceHelpers(m_programs, true, true, "sleep 250\n");
    AddContact({"Ann", "", "", "", ""}, true);
    AddEvent({"Standup", "", 0, 0, 0, "N/A", "N/A"}, true);
    // What the wait window shows while a helper runs, taken where the app lets it repaint.
    std::vector<std::pair<std::string, std::string>> seen;
    platform::SetWaitPump([&] {
        const std::shared_ptr<CxCommWaitWindow> window = GetCurrentWaitWindow();
        char text[CxCommWaitWindow::kTextCapacity] = "";
        char status[MAX_PATH] = "";
        if (window) {
            window->GetText(text, sizeof text);
            window->GetStatusFile(status, sizeof status);
        }
        if (seen.empty() || seen.back().second != status)
            seen.emplace_back(text, status);
    });

    Delete();
    platform::SetWaitPump([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });

    const std::vector<std::pair<std::string, std::string>> expected{
        {"Deleting duplicate contacts information in the Google account...", m_dataFolder + "GAddrStatus.dat"},
        {"Deleting duplicate calendar information in the Google account...", m_dataFolder + "GDateStatus.dat"},
    };
    EXPECT_EQ(expected, seen);
    EXPECT_EQ(nullptr, GetCurrentWaitWindow());
}

TEST_F(TfmQoCleanTest, ExceptionStopsTheDeletionWhereItIsAndShowsTheExceptionDialog)
{
    const Contact ann{"Ann", "", "", "", ""};
    const Contact bob{"Bob", "", "", "", ""};
    AddContact(ann, true);
    AddContact(bob, true);
    AddContact({"Cy", "", "", "", ""}, true);
    GDateRecord* event = AddEvent({"Standup", "", 0, 0, 0, "N/A", "N/A"}, true);
    ThrowingClean page(&Window(), 2);

    page.TransferData(false);
    page.tmStartTimer();

    EXPECT_TRUE(page.waitWindowUp);
    EXPECT_EQ(nullptr, GetCurrentWaitWindow());
    EXPECT_EQ(std::vector<QString>{QString("fmDump")}, m_dialogs);
    EXPECT_EQ(std::vector<QWidget*>{&Window()}, m_dialogOwners);
    // The lines so far stay; no summary claims a finished deletion, and no record passes for deleted.
    const char* const kStopped = "Deletion failed: the deletion stopped before the account was updated.";
    EXPECT_EQ(Joined({kHead, ContactBlock(ann, kStopped), ContactBlock(bob, kStopped)}), LogLines(*page.memLog));
    EXPECT_EQ(25, page.pbDel->value()) << "one of four records walked";
    EXPECT_EQ(0, event->ActionCode);
    EXPECT_FALSE(platform::FileExists((m_dataFolder + "GAddr.dat").c_str()));
}

TEST_F(TfmQoCleanTest, BackLinkReturnsToTheAccountPage)
{
    Window().show();
    Window().GoToPage(2);
    ASSERT_EQ(2, Window().CurrentPage());
    Page().tmStart->stop();

    QTest::mouseClick(Page().lblBack, Qt::LeftButton);

    EXPECT_EQ(0, Window().CurrentPage());
    EXPECT_FALSE(Window().SourcePage()->isHidden());
}

TEST_F(TfmQoCleanTest, GoingBackBeforeTheDeletionStartsCancelsIt)
{
    GAddrRecord* ticked = AddContact({"Ann Lee", "", "", "ann@example.com", ""}, true);
    // Deleting the one contact there is is asked about first; Yes goes on.
    m_onMessage = [](const AppMessageRecord&) { SetNextAppAnswer(QMessageBox::Yes); };
    Window().show();
    Window().GoToPage(2);
    ASSERT_EQ(1u, m_messages.size());
    ASSERT_TRUE(Page().tmStart->isActive());
    // The keyboard is in the log, not on a control of the page left behind.
    EXPECT_EQ(Page().memLog, Window().focusWidget());

    QTest::mouseClick(Page().lblBack, Qt::LeftButton);
    QTest::qWait(1300);

    EXPECT_EQ(0, Window().CurrentPage());
    EXPECT_EQ(0, ticked->ActionCode);
    EXPECT_EQ(kHead, Log());
}

TEST_F(TfmQoCleanTest, LongFieldLineIsCutAt255BytesOnAWholeCharacter)
{
    const std::string head = "\tSubject: "; // 10 bytes, so 245 bytes of the value fit
    struct Case
    {
        const char* name;
        std::string value;
        std::string line;
    };
    const std::string umlaut = "\xC3\xB6";        // 2 bytes
    const std::string euro = "\xE2\x82\xAC";      // 3 bytes
    const std::string smile = "\xF0\x9F\x98\x80"; // 4 bytes
    // Every value is 300 characters long but the empty one.
    const Case cases[] = {
        {"plain text", std::string(300, 'a'), head + std::string(245, 'a')},
        {"two-byte character across the cut", std::string(244, 'a') + umlaut + std::string(55, 'b'),
         head + std::string(244, 'a')},
        {"three-byte character across the cut", std::string(243, 'a') + euro + std::string(56, 'b'),
         head + std::string(243, 'a')},
        {"three-byte character ending at the cut", std::string(242, 'a') + euro + std::string(57, 'b'),
         head + std::string(242, 'a') + euro},
        // 61 of them take 244 bytes after the head; a 62nd would need 258.
        {"four-byte characters throughout", Repeat(smile, 300), head + Repeat(smile, 61)},
        {"empty value", "", head + "<empty>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char line[TfmQoClean::kLineCapacity];
        std::fill(std::begin(line), std::end(line), 'x');
        TfmQoClean::FormatFieldLine(line, "Subject", c.value.c_str());
        EXPECT_EQ(c.line, std::string(line));
    }
    char line[TfmQoClean::kLineCapacity];
    TfmQoClean::FormatFieldLine(line, "Subject", nullptr);
    EXPECT_EQ(head + "<empty>", std::string(line));

    // Through the page: the longest subject an event holds, a character across the cut.
    AppSettings.AppFlag = APP_CALENDAR;
    PlaceHelpers(m_programs, false, true);
    const std::string subject = std::string(243, 'a') + euro + euro + std::string(6, 'c'); // 255 bytes
    ASSERT_EQ(255u, subject.size());
    AddEvent({subject.c_str(), "", 0, 0, 0, "N/A", "N/A"}, true);

    Delete();

    const Lines log = Log();
    ASSERT_GT(log.size(), 4u);
    EXPECT_EQ(head + std::string(243, 'a'), log[4]);
}
