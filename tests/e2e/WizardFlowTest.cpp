// The wizard from the account page to the end of the deletion, in process, against a stand-in helper
// that serves prepared data files and keeps a copy of what each save hands it: exactly the records
// ticked on the review page must reach the helper as deletions.

#include "app/RecordList.h"
#include "app/TfmQoClean.h"
#include "app/TfmQoData.h"
#include "app/TfmQoSource.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/google/records/CxGDataFile.h"
#include "common/misc/CxFile.h"
#include "tests/support/TestHelperFolder.h"
#include "tests/support/WizardTest.h"
#include "tests/support/ZeroedRecord.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>
#include <QTreeWidget>

#include <map>
#include <string>

namespace {

struct PreparedContact
{
    const char* file; // the helper's name for it, unique
    const char* name;
    const char* email;
    double modified;
};

// Ann and Bob have duplicates (the newest copy is kept); Cleo and Dan are single.
const PreparedContact kContacts[] = {
    {"ann-old", "Ann Lee", "ann@example.com", 100}, {"ann-new", "Ann Lee", "ann@example.com", 200},
    {"bob-old", "Bob Ray", "bob@example.com", 100}, {"bob-new", "Bob Ray", "bob@example.com", 300},
    {"bob-mid", "Bob Ray", "bob@example.com", 200}, {"cleo", "Cleo Park", "cleo@example.com", 100},
    {"dan", "Dan Wu", "dan@example.com", 100},
};

struct PreparedEvent
{
    const char* file;
    const char* subject;
    double start;
    double modified;
};

const PreparedEvent kEvents[] = {
    {"standup-1", "Standup", 46000.375, 100}, {"standup-2", "Standup", 46000.375, 200},
    {"review-1", "Review", 46001.5, 100},     {"review-2", "Review", 46001.5, 200},
    {"lunch", "Lunch", 46002.5, 100},
};

class WizardFlowTest : public WizardTest
{
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        std::filesystem::create_directories(m_dataFolder);
        const std::string helpers = m_home.path() + "helpers/";
        std::filesystem::create_directories(helpers);
        PlaceTestHelper(helpers, "Ombracon.exe");
        PlaceTestHelper(helpers, "Ombracal.exe");
        SetHelperProgramFolder(helpers.c_str());
        WriteContacts();
        WriteEvents();
        // A save's data file is kept before the serving lines below copy over it.
        TempDir::WriteFile(m_dataFolder + "HelperScript.txt", "keep-save GAddr.dat SavedAddr.dat\n"
                                                              "keep-save GDate.dat SavedDate.dat\n"
                                                              "data-if GAddr.dat PreparedAddr.dat\n"
                                                              "data-if GDate.dat PreparedDate.dat\n"
                                                              "calendars PreparedCal.dat\n");
    }

    void WriteContacts()
    {
        CxGAddrUtil util;
        util.SetWorkFolder(m_dataFolder.c_str());
        for (const PreparedContact& c : kContacts) {
            RecordPtr<GAddrRecord> r = Zeroed<GAddrRecord>();
            r->ActionCode = 1;
            CopyText(r->szHelperText, c.file);
            CopyText(r->szDisplayName, c.name);
            r->nEmailType[0] = 1;
            CopyText(r->szEmail[0], c.email);
            CopyText(r->szEmailPrimary, c.email);
            r->dtModified = c.modified;
            ASSERT_NE(nullptr, util.AddRecord(r.get()));
        }
        ASSERT_TRUE(util.SaveDataFile("PreparedAddr.dat"));
    }

    void WriteEvents()
    {
        CxGDateUtil util;
        util.SetWorkFolder(m_dataFolder.c_str());
        RecordPtr<GCalRecord> calendar = Zeroed<GCalRecord>();
        CopyText(calendar->szText1, "Work");
        ASSERT_NE(nullptr, util.AddCalendar(calendar.get()));
        for (const PreparedEvent& e : kEvents) {
            RecordPtr<GDateRecord> r = Zeroed<GDateRecord>();
            r->ActionCode = 1;
            CopyText(r->szHelperTextB, e.file);
            CopyText(r->szSubject, e.subject);
            r->dtStart = e.start;
            r->dtEnd = e.start + 1.0 / 24;
            r->dtModified = e.modified;
            ASSERT_NE(nullptr, util.AddRecord(r.get()));
        }
        ASSERT_TRUE(util.SaveDataFile("PreparedDate.dat"));
        ASSERT_TRUE(util.SaveCalendarFile("PreparedCal.dat"));
    }

    // The action code of every record in a data file a save handed the helper, by the helper's name
    // for it. Read field by field: a load would reset the codes.
    template <class Record>
    std::map<std::string, int> SavedCodes(const char* file, void (*fields)(CxGFieldReader&, Record&),
                                          const char* (*helperName)(const Record&))
    {
        std::map<std::string, int> codes;
        CxFile data;
        EXPECT_TRUE(data.Open((m_dataFolder + file).c_str(), "rb")) << file;
        const uint32_t count = ReadRecordCount(data);
        for (uint32_t i = 0; i < count; ++i) {
            RecordPtr<Record> r = Zeroed<Record>();
            EXPECT_TRUE(ReadFields(data, r.get(), fields));
            codes[helperName(*r)] = r->ActionCode;
        }
        return codes;
    }

    // The row of the record the helper knows by file.
    template <typename Record>
    static QTreeWidgetItem* RowOf(QTreeWidget* list, const char* file, const char* (*helperName)(const Record&))
    {
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const auto* r = static_cast<const Record*>(RowRecord(list->topLevelItem(i)));
            if (r && std::string(helperName(*r)) == file)
                return list->topLevelItem(i);
        }
        ADD_FAILURE() << file;
        return nullptr;
    }

    static const char* ContactFile(const GAddrRecord& r) { return r.szHelperText; }
    static const char* EventFile(const GDateRecord& r) { return r.szHelperTextB; }

    void PressNext() { QTest::mouseClick(Button("btnNext"), Qt::LeftButton); }
};

TEST_F(WizardFlowTest, ExactlyTheTickedRecordsReachTheHelperAsDeletions)
{
    TfmMain& window = Window();
    QWidget* source = window.SourcePage();
    FindIn<QLineEdit>(source, "edtEmail")->setText("ann@example.com");
    FindIn<QLineEdit>(source, "edtPassword")->setText("secret");
    FindIn<QCheckBox>(source, "cbAddr")->setChecked(true);
    FindIn<QCheckBox>(source, "cbDate")->setChecked(true);
    PressNext();
    ASSERT_EQ(1, window.CurrentPage()) << (m_messages.empty() ? "" : m_messages[0].text.toStdString());

    // Contacts: every record shown, and a duplicate kept, a single one and two duplicates ticked.
    TfmQoData& review = *window.DataPage();
    ASSERT_EQ(3, review.lvAddr->topLevelItemCount());
    review.cbAddrAll->click();
    ASSERT_EQ(7, review.lvAddr->topLevelItemCount());
    for (const char* file : {"ann-old", "bob-old", "dan"})
        SetTicked(RowOf(review.lvAddr, file, &ContactFile), true);
    // Calendar: the duplicates as found, one of them unticked.
    ASSERT_EQ(2, review.lvDate->topLevelItemCount());
    SetTicked(RowOf(review.lvDate, "review-1", &EventFile), false);
    PressNext();
    ASSERT_EQ(2, window.CurrentPage());

    auto* bar = FindIn<QProgressBar>(window.CleanPage(), "pbDel");
    ASSERT_TRUE(QTest::qWaitFor([bar] { return bar->value() == 100; }, 20000));
    EXPECT_TRUE(m_dialogs.empty());

    const std::map<std::string, int> contacts =
        SavedCodes("SavedAddr.dat", &GAddrRecordFields<CxGFieldReader, GAddrRecord>, &ContactFile);
    const std::map<std::string, int> expectedContacts = {{"ann-old", 3}, {"ann-new", 1}, {"bob-old", 3}, {"bob-new", 1},
                                                         {"bob-mid", 1}, {"cleo", 1},    {"dan", 3}};
    EXPECT_EQ(expectedContacts, contacts);
    const std::map<std::string, int> events =
        SavedCodes("SavedDate.dat", &GDateRecordFields<CxGFieldReader, GDateRecord>, &EventFile);
    const std::map<std::string, int> expectedEvents = {
        {"standup-1", 3}, {"standup-2", 1}, {"review-1", 1}, {"review-2", 1}, {"lunch", 1}};
    EXPECT_EQ(expectedEvents, events);

    const QString log = FindIn<QPlainTextEdit>(window.CleanPage(), "memLog")->toPlainText();
    EXPECT_TRUE(log.contains("\t3 duplicate contact items deleted.")) << log.toStdString();
    EXPECT_TRUE(log.contains("\t1 duplicate calendar items deleted.")) << log.toStdString();
    EXPECT_FALSE(log.contains("not updated")) << log.toStdString();
}

} // namespace
