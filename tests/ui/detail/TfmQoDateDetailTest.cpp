#include "app/detail/TfmQoDateDetail.h"
#include "common/google/CommDateRecord.h"
#include "common/google/CxGDateUtil.h"
#include "common/google/records/GDateRecord.h"
#include "common/misc/TextBuf.h"
#include "tests/support/ListRows.h"
#include "tests/support/OleTime.h"
#include "tests/support/WizardTest.h"
#include "tests/support/ZeroedRecord.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>

#include <cstring>
#include <vector>

namespace {

bool TabVisible(const QTabWidget& tabs, QWidget* page)
{
    return tabs.isTabVisible(tabs.indexOf(page));
}

class TfmQoDateDetailTest : public WizardTest
{
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        ASSERT_TRUE(m_event && m_common);
        m_common->pAttach = m_event.get();
        m_util = std::make_unique<CxGDateUtil>();
        // A single event on a Sunday morning that ends the next day.
        CopyText(m_event->szSubject, "Board meeting");
        CopyText(m_event->szLocation, "Room 4");
        CopyText(m_event->szCategory, "Work");
        CopyText(m_event->szNote, "Bring the minutes.\nAnd coffee.");
        m_event->dtStart = OleTime(2010, 3, 7, 9, 30);
        m_event->dtEnd = OleTime(2010, 3, 8, 10, 45, 15);
        m_event->dtCreated = OleTime(2009, 12, 1, 8);
        m_event->dtModified = OleTime(2010, 1, 15, 17, 5, 9);
    }

    void TearDown() override
    {
        m_dialog.reset();
        m_util.reset();
        WizardTest::TearDown();
    }

    // The dialog as ShowEventDetail fills it.
    TfmQoDateDetail& Open()
    {
        m_dialog = std::make_unique<TfmQoDateDetail>(nullptr);
        m_dialog->SetUtil(m_util.get());
        m_dialog->SetRecord(m_common.get());
        return *m_dialog;
    }

    void MakeWeekly(int32_t interval, int32_t days)
    {
        m_event->nRecurrenceType = RECUR_WEEKLY;
        m_event->nRecurInterval = interval;
        m_event->nRecurDayOfWeek = days;
    }

    std::vector<QCheckBox*> DayBoxes() const
    {
        const TfmQoDateDetail& d = *m_dialog;
        return {d.cbMonday, d.cbTuesday, d.cbWednesday, d.cbThursday, d.cbFriday, d.cbSaturday, d.cbSunday};
    }

    std::vector<QLineEdit*> IntervalBoxes() const
    {
        const TfmQoDateDetail& d = *m_dialog;
        return {d.edtRecurDays, d.edtRecurWeeks, d.edtRecurMonths, d.edtRecurYears};
    }

    RecordPtr<GDateRecord> m_event = Zeroed<GDateRecord>();
    RecordPtr<CommDateRecord> m_common = Zeroed<CommDateRecord>();
    std::unique_ptr<CxGDateUtil> m_util;
    std::unique_ptr<TfmQoDateDetail> m_dialog;
};

} // namespace

TEST_F(TfmQoDateDetailTest, SingleEventHidesRecurrenceAndShowsTheGeneralTab)
{
    TfmQoDateDetail& dialog = Open();
    EXPECT_EQ(QString("Google Calendar Record Details"), dialog.windowTitle());
    EXPECT_EQ(QSize(634, 474), dialog.size());
    ASSERT_EQ(4, dialog.pDate->count());
    EXPECT_FALSE(TabVisible(*dialog.pDate, dialog.tRecur));
    for (QWidget* page : {dialog.tGen, dialog.tNotes, dialog.tMisc})
        EXPECT_TRUE(TabVisible(*dialog.pDate, page)) << page->objectName().toStdString();
    EXPECT_EQ(dialog.tGen, dialog.pDate->currentWidget());
    EXPECT_EQ(QString("Board meeting"), dialog.edtDesc->text());
    EXPECT_EQ(QString("03/07/2010"), dialog.edtDate->text());
    EXPECT_EQ(QString("09:30:00"), dialog.edtStartTime->text());
    EXPECT_EQ(QString("10:45:15"), dialog.edtEndTime->text());
    EXPECT_EQ(QString("Room 4"), dialog.edtLocation->text());
    EXPECT_EQ(QString("Work"), dialog.edtCategory->text());
    EXPECT_EQ(QString("Bring the minutes.\nAnd coffee."), dialog.memNotes->toPlainText());
}

TEST_F(TfmQoDateDetailTest, RefillingSelectsTheGeneralTabAgain)
{
    TfmQoDateDetail& dialog = Open();
    dialog.pDate->setCurrentWidget(dialog.tMisc);
    EXPECT_TRUE(dialog.TransferData(false));
    EXPECT_EQ(dialog.tGen, dialog.pDate->currentWidget());
}

// 42 = Monday (2) + Wednesday (8) + Friday (32).
TEST_F(TfmQoDateDetailTest, WeeklyEventShowsItsIntervalAndExactlyItsDays)
{
    MakeWeekly(2, 42);
    TfmQoDateDetail& dialog = Open();
    EXPECT_TRUE(TabVisible(*dialog.pDate, dialog.tRecur));
    for (QWidget* page : {dialog.tDaily, dialog.tWeekly, dialog.tMonthly, dialog.tYearly})
        EXPECT_EQ(page == dialog.tWeekly, TabVisible(*dialog.pRecur, page)) << page->objectName().toStdString();
    EXPECT_EQ(QString("2"), dialog.edtRecurWeeks->text());
    std::vector<QString> checked;
    for (QCheckBox* box : DayBoxes()) {
        if (box->isChecked())
            checked.push_back(box->text());
    }
    EXPECT_EQ((std::vector<QString>{"Monday", "Wednesday", "Friday"}), checked);
}

TEST_F(TfmQoDateDetailTest, EachDayBitChecksItsOwnBox)
{
    const std::pair<int32_t, const char*> days[] = {
        {DAY_MONDAY, "Monday"}, {DAY_TUESDAY, "Tuesday"},   {DAY_WEDNESDAY, "Wednesday"}, {DAY_THURSDAY, "Thursday"},
        {DAY_FRIDAY, "Friday"}, {DAY_SATURDAY, "Saturday"}, {DAY_SUNDAY, "Sunday"},
    };
    for (const auto& [bit, name] : days) {
        SCOPED_TRACE(name);
        MakeWeekly(1, bit);
        Open();
        for (QCheckBox* box : DayBoxes())
            EXPECT_EQ(box->text() == QLatin1String(name), box->isChecked()) << box->objectName().toStdString();
    }
}

// Every case has all day bits set: only a weekly rule may check the day boxes.
TEST_F(TfmQoDateDetailTest, EachRecurrenceTypeKeepsItsInnerTabAndBox)
{
    struct TypeCase
    {
        int32_t type;
        const char* page; // the one inner tab left; null: all four stay
        const char* box;  // the interval box filled; null: none
        bool day;
        bool date;
    };
    const TypeCase cases[] = {
        {RECUR_DAILY, "tDaily", "edtRecurDays", false, false},
        {RECUR_MONTHLY_BY_WEEK, "tMonthly", "edtRecurMonths", true, false},
        {RECUR_MONTHLY_BY_DATE, "tMonthly", "edtRecurMonths", false, true},
        {RECUR_YEARLY, "tYearly", "edtRecurYears", false, false},
        {RECUR_YEARLY_BY_MONTH, "tYearly", "edtRecurYears", false, false},
        {7, nullptr, nullptr, false, false},
    };
    for (const TypeCase& c : cases) {
        SCOPED_TRACE(c.type);
        m_event->nRecurrenceType = c.type;
        m_event->nRecurInterval = 3;
        m_event->nRecurDayOfWeek = 127;
        TfmQoDateDetail& dialog = Open();
        EXPECT_TRUE(TabVisible(*dialog.pDate, dialog.tRecur));
        for (QWidget* page : {dialog.tDaily, dialog.tWeekly, dialog.tMonthly, dialog.tYearly}) {
            const bool kept = !c.page || page->objectName() == QLatin1String(c.page);
            EXPECT_EQ(kept, TabVisible(*dialog.pRecur, page)) << page->objectName().toStdString();
        }
        for (QLineEdit* box : IntervalBoxes()) {
            const bool filled = c.box && box->objectName() == QLatin1String(c.box);
            EXPECT_EQ(filled ? QString("3") : QString(), box->text()) << box->objectName().toStdString();
        }
        EXPECT_EQ(c.day, dialog.rbtnDay->isChecked());
        EXPECT_EQ(c.date, dialog.rbtnDate->isChecked());
        for (QCheckBox* box : DayBoxes())
            EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
    }
}

// Filled for a single event too, whose Recurrence tab is hidden.
TEST_F(TfmQoDateDetailTest, RangeDatesUpToAThousandthOfADayCountAsNotGiven)
{
    struct RangeCase
    {
        double value;
        const char* text;
    };
    const RangeCase cases[] = {
        {0, ""}, {0.0005, ""}, {0.001, ""}, {0.002, " 00:02:53"}, {OleTime(2011, 1, 1, 18), "01/01/2011 18:00:00"},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(c.value);
        m_event->dtRecurrenceStart = c.value;
        m_event->dtRecurrenceEnd = c.value;
        TfmQoDateDetail& dialog = Open();
        const bool given = *c.text != '\0';
        EXPECT_EQ(QString(c.text), dialog.edtRecurStart->text());
        EXPECT_EQ(QString(c.text), dialog.edtRecurEnd->text());
        EXPECT_EQ(given, dialog.rbtnEndBy->isChecked());
        EXPECT_EQ(!given, dialog.rbtnNoEnd->isChecked());
    }
}

TEST_F(TfmQoDateDetailTest, MiscShowsBothTimesAndABlankDateWithoutCreationTime)
{
    EXPECT_EQ(
        (std::vector<Row>{{"Creation Time", "12/01/2009 08:00:00"}, {"Last Modification Time", "01/15/2010 17:05:09"}}),
        Rows(*Open().lvMisc));
    m_event->dtCreated = 0;
    EXPECT_EQ((std::vector<Row>{{"Creation Time", " 00:00:00"}, {"Last Modification Time", "01/15/2010 17:05:09"}}),
              Rows(*Open().lvMisc));
}

TEST_F(TfmQoDateDetailTest, StartBeyondTheFormattedYearsShowsOnlyItsTime)
{
    m_event->dtStart = OleTime(2035, 5, 20, 8, 15);
    TfmQoDateDetail& dialog = Open();
    EXPECT_TRUE(dialog.edtDate->text().isEmpty());
    EXPECT_EQ(QString("08:15:00"), dialog.edtStartTime->text());
}

TEST_F(TfmQoDateDetailTest, FlagBoxesFollowPublishTypeRemindersAndAllDay)
{
    struct FlagCase
    {
        int32_t publish;
        uint32_t reminders;
        int32_t allDay;
        bool isPrivate;
        bool alarm;
        bool allDayBox;
    };
    const FlagCase cases[] = {
        {0, 0, 0, false, false, false},
        {1, 1, 0, false, true, false},
        {2, 3, 1, true, true, true},
        {3, 0, -1, false, false, true},
    };
    for (const FlagCase& c : cases) {
        SCOPED_TRACE(c.publish);
        m_event->nPublishType = c.publish;
        m_event->nReminderCount = c.reminders;
        m_event->nAllDayEvent = c.allDay;
        TfmQoDateDetail& dialog = Open();
        EXPECT_EQ(c.isPrivate, dialog.cbPrivate->isChecked());
        EXPECT_EQ(c.alarm, dialog.cbAlarm->isChecked());
        EXPECT_EQ(c.allDayBox, dialog.cbAllday->isChecked());
    }
}

// The tabs open, so the rule and the note can be read, but nothing there can be changed.
TEST_F(TfmQoDateDetailTest, LastThreeTabsOpenButTheirContentsCannotChange)
{
    MakeWeekly(1, DAY_MONDAY);
    TfmQoDateDetail& dialog = Open();
    for (QWidget* page : {dialog.tRecur, dialog.tNotes, dialog.tMisc}) {
        EXPECT_TRUE(dialog.pDate->isTabEnabled(dialog.pDate->indexOf(page)));
        dialog.pDate->setCurrentWidget(page);
        EXPECT_EQ(page, dialog.pDate->currentWidget());
    }
    for (QWidget* control : std::vector<QWidget*>{dialog.edtRecurWeeks, dialog.cbMonday, dialog.rbtnDate,
                                                  dialog.edtRecurStart, dialog.rbtnEndBy, dialog.edtRecurEnd})
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    EXPECT_TRUE(dialog.memNotes->isReadOnly());
    EXPECT_EQ(QAbstractItemView::NoEditTriggers, dialog.lvMisc->editTriggers());
    EXPECT_TRUE(dialog.edtDesc->isEnabled());
    EXPECT_FALSE(dialog.edtDesc->isReadOnly());
}

TEST_F(TfmQoDateDetailTest, TypedValuesAreNeverTakenBack)
{
    MakeWeekly(2, 42);
    const RecordPtr<GDateRecord> before = Zeroed<GDateRecord>();
    std::memcpy(before.get(), m_event.get(), sizeof(GDateRecord));
    TfmQoDateDetail& dialog = Open();
    dialog.edtDesc->setText("Typed over");
    dialog.cbPrivate->setChecked(true);
    dialog.cbAllday->setChecked(true);
    EXPECT_TRUE(dialog.TransferData(true));
    dialog.btnClose->click();
    EXPECT_EQ(0, std::memcmp(before.get(), m_event.get(), sizeof(GDateRecord)));
}

// Without an event or a utility the dialog keeps what it was built with: empty boxes, nothing
// checked, every tab there.
TEST_F(TfmQoDateDetailTest, WithoutEventOrUtilityTheDesignContentsStay)
{
    struct MissingCase
    {
        const char* title;
        bool util;
        bool attached;
        bool record;
    };
    const MissingCase cases[] = {
        {"no utility", false, true, true},
        {"record without attachment", true, false, true},
        {"no record", true, true, false},
    };
    MakeWeekly(2, 42);
    m_event->nPublishType = 2;
    m_event->nReminderCount = 1;
    m_event->dtRecurrenceEnd = OleTime(2011, 1, 1);
    for (const MissingCase& c : cases) {
        SCOPED_TRACE(c.title);
        m_common->pAttach = c.attached ? m_event.get() : nullptr;
        m_dialog = std::make_unique<TfmQoDateDetail>(nullptr);
        m_dialog->SetUtil(c.util ? m_util.get() : nullptr);
        m_dialog->SetRecord(c.record ? m_common.get() : nullptr);
        TfmQoDateDetail& dialog = *m_dialog;
        EXPECT_FALSE(dialog.TransferData(false));
        EXPECT_FALSE(dialog.TransferData(true));
        for (QWidget* page : {dialog.tGen, dialog.tRecur, dialog.tNotes, dialog.tMisc})
            EXPECT_TRUE(TabVisible(*dialog.pDate, page)) << page->objectName().toStdString();
        for (QWidget* page : {dialog.tDaily, dialog.tWeekly, dialog.tMonthly, dialog.tYearly})
            EXPECT_TRUE(TabVisible(*dialog.pRecur, page)) << page->objectName().toStdString();
        for (QLineEdit* box : dialog.findChildren<QLineEdit*>())
            EXPECT_TRUE(box->text().isEmpty()) << box->objectName().toStdString();
        for (QAbstractButton* box : dialog.findChildren<QAbstractButton*>())
            EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
        EXPECT_TRUE(dialog.memNotes->toPlainText().isEmpty());
        EXPECT_EQ(0, dialog.lvMisc->topLevelItemCount());

        dialog.show();
        dialog.btnClose->click();
        EXPECT_FALSE(dialog.isVisible());
    }
}

TEST_F(TfmQoDateDetailTest, ShowEventDetailShowsTheFilledDialogModallyAndReleasesIt)
{
    QWidget owner;
    QString shownSubject;
    m_onDialog = [&](QDialog& dialog) {
        auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("edtDesc"));
        shownSubject = box ? box->text() : QStringLiteral("<no box>");
        return QDialog::Accepted;
    };
    ShowEventDetail(&owner, m_common.get(), m_util.get());
    EXPECT_EQ(std::vector<QString>{"fmQoDateDetail"}, m_dialogs);
    ASSERT_EQ(1u, m_dialogOwners.size());
    EXPECT_EQ(&owner, m_dialogOwners[0]);
    EXPECT_EQ(QString("Board meeting"), shownSubject);
    EXPECT_TRUE(owner.findChildren<QDialog*>().isEmpty());
}
