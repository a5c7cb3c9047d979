#include "app/detail/TfmQoDateDetail.h"

#include "app/DialogUtil.h"
#include "app/KeepApart.h"
#include "app/ModalDialog.h"
#include "app/RecordList.h"
#include "app/detail/DetailParts.h"
#include "common/google/CommDateRecord.h"
#include "common/google/CxGDateUtil.h"
#include "common/google/records/GDateRecord.h"
#include "common/misc/CxDateTime.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Recurrence start and end dates up to this value stand for "not given".
constexpr double kNoDate = 0.001;

// The weekday boxes in the order they stand, with the day-of-week bit each one shows.
struct DayBox
{
    QCheckBox* TfmQoDateDetail::*box;
    const char* name;
    const char* caption;
    int32_t bit;
};

const DayBox kDayBoxes[] = {
    {&TfmQoDateDetail::cbMonday, "cbMonday", "Monday", DAY_MONDAY},
    {&TfmQoDateDetail::cbTuesday, "cbTuesday", "Tuesday", DAY_TUESDAY},
    {&TfmQoDateDetail::cbWednesday, "cbWednesday", "Wednesday", DAY_WEDNESDAY},
    {&TfmQoDateDetail::cbThursday, "cbThursday", "Thursday", DAY_THURSDAY},
    {&TfmQoDateDetail::cbFriday, "cbFriday", "Friday", DAY_FRIDAY},
    {&TfmQoDateDetail::cbSaturday, "cbSaturday", "Saturday", DAY_SATURDAY},
    {&TfmQoDateDetail::cbSunday, "cbSunday", "Sunday", DAY_SUNDAY},
};

// One of CxDateTime's texts of a date-time value. Each value gets a CxDateTime of its own: one that
// cannot be broken down would otherwise show the fields of the value before it.
QString Formatted(double value, void (CxDateTime::*format)(char*) const)
{
    char text[32]; // the longest text, date and time, takes 20 bytes
    (CxDateTime(value).*format)(text);
    return QString::fromLatin1(text);
}

QString DateText(double value)
{
    return Formatted(value, &CxDateTime::FormatDate);
}

QString TimeText(double value)
{
    return Formatted(value, &CxDateTime::FormatTime);
}

QString DateTimeText(double value)
{
    return Formatted(value, &CxDateTime::FormatDateTime);
}

// A short box for a recurrence interval.
QLineEdit* MakeNumberBox(QWidget* parent, const char* name)
{
    QLineEdit* box = MakeTextBox(parent, QLatin1String(name));
    box->setFixedWidth(60);
    return box;
}

QCheckBox* MakeBox(QWidget* parent, const char* name, const char* caption)
{
    auto* box = new QCheckBox(QLatin1String(caption), parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

QRadioButton* MakeRadio(QWidget* parent, const char* name, const char* caption)
{
    auto* button = new QRadioButton(QLatin1String(caption), parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

// "Every <box> <unit>" in one row, left-aligned.
QHBoxLayout* EveryRow(QWidget* parent, QLineEdit* box, const char* unit)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addWidget(MakeBuddyLabel(parent, QStringLiteral("Every"), box));
    row->addWidget(box);
    row->addWidget(new QLabel(QLatin1String(unit), parent));
    row->addStretch();
    return row;
}

// An inner recurrence page holding one "Every" row and whatever follows it.
QVBoxLayout* RecurrencePageLayout(QWidget* page, QLineEdit* box, const char* unit)
{
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(10);
    layout->addLayout(EveryRow(page, box, unit));
    return layout;
}

} // namespace

TfmQoDateDetail::TfmQoDateDetail(QWidget* owner)
    : QDialog(owner)
{
    // Every control carries its own name as object name, for tests and accessibility tools.
    setObjectName(QStringLiteral("fmQoDateDetail"));
    setWindowTitle(QStringLiteral("Google Calendar Record Details"));
    BuildControls();
    SetFixedCentred(*this, QSize(634, 474));
}

// The Recurrence, Notes and Misc Fields tabs stay selectable: a disabled tab could not even be opened,
// which would hide the note from the user. What they show cannot be changed instead: the recurrence
// controls are disabled, the note and the list are read-only.
void TfmQoDateDetail::BuildControls()
{
    pDate = new QTabWidget(this);
    pDate->setObjectName(QStringLiteral("pDate"));
    pDate->addTab(BuildGeneralTab(), QStringLiteral("General"));
    pDate->addTab(BuildRecurrenceTab(), QStringLiteral("Recurrence"));

    tNotes = MakeTabPage("tNotes");
    memNotes = new QPlainTextEdit(tNotes);
    memNotes->setObjectName(QStringLiteral("memNotes"));
    memNotes->setAccessibleName(QStringLiteral("Notes"));
    memNotes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Read-only rather than disabled: a long note can still be scrolled and copied.
    memNotes->setReadOnly(true);
    auto* notes = new QVBoxLayout(tNotes);
    notes->setContentsMargins(6, 6, 6, 6);
    notes->addWidget(memNotes);
    pDate->addTab(tNotes, QStringLiteral("Notes"));

    tMisc = MakeTabPage("tMisc");
    lvMisc = MakeReportList(tMisc, {"lvMisc", "Misc fields", {{"Field Name", 180}, {"Field Content", 300}}});
    auto* misc = new QVBoxLayout(tMisc);
    misc->setContentsMargins(6, 6, 6, 6);
    misc->addWidget(lvMisc);
    pDate->addTab(tMisc, QStringLiteral("Misc Fields"));

    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 10, 12, 12);
    body->addWidget(pDate);
    btnNotDuplicate = AddNotDuplicateRow(this, body);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(
        MakeDetailHead(this, QStringLiteral("View detail information of the Google Calendar record."), btnClose));
    layout->addLayout(body, 1);

    connect(btnClose, &QPushButton::clicked, this, &TfmQoDateDetail::btnCloseClick);
    connect(btnNotDuplicate, &QPushButton::clicked, this, &TfmQoDateDetail::btnNotDuplicateClick);
}

// The General tab stays editable; nothing typed there is taken back.
QWidget* TfmQoDateDetail::BuildGeneralTab()
{
    tGen = MakeTabPage("tGen");
    edtDesc = MakeTextBox(tGen, QStringLiteral("edtDesc"));
    edtDate = MakeTextBox(tGen, QStringLiteral("edtDate"));
    edtStartTime = MakeTextBox(tGen, QStringLiteral("edtStartTime"));
    edtEndTime = MakeTextBox(tGen, QStringLiteral("edtEndTime"));
    edtLocation = MakeTextBox(tGen, QStringLiteral("edtLocation"));
    cbAlarm = MakeBox(tGen, "cbAlarm", "Alarm");
    cbPrivate = MakeBox(tGen, "cbPrivate", "Private");
    cbAllday = MakeBox(tGen, "cbAllday", "All day event");
    edtCategory = MakeTextBox(tGen, QStringLiteral("edtCategory"));

    auto* grid = new QGridLayout(tGen);
    grid->setContentsMargins(16, 14, 16, 14);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(12);
    grid->addWidget(MakeBuddyLabel(tGen, QStringLiteral("Description:"), edtDesc), 0, 0);
    grid->addWidget(edtDesc, 0, 1, 1, 5);
    grid->addWidget(MakeBuddyLabel(tGen, QStringLiteral("Date:"), edtDate), 1, 0);
    grid->addWidget(edtDate, 1, 1);
    grid->addWidget(MakeBuddyLabel(tGen, QStringLiteral("Start time:"), edtStartTime), 1, 2);
    grid->addWidget(edtStartTime, 1, 3);
    grid->addWidget(MakeBuddyLabel(tGen, QStringLiteral("End time:"), edtEndTime), 1, 4);
    grid->addWidget(edtEndTime, 1, 5);
    grid->addWidget(MakeBuddyLabel(tGen, QStringLiteral("Location:"), edtLocation), 2, 0);
    grid->addWidget(edtLocation, 2, 1, 1, 5);
    grid->addWidget(cbAlarm, 3, 1);
    grid->addWidget(cbPrivate, 3, 3);
    grid->addWidget(cbAllday, 3, 5);
    grid->addWidget(MakeBuddyLabel(tGen, QStringLiteral("Category:"), edtCategory), 4, 0);
    grid->addWidget(edtCategory, 4, 1, 1, 5);
    grid->setRowStretch(5, 1);
    return tGen;
}

// The tab itself stays selectable so the rule can be read; its contents are disabled, since the
// dialog changes nothing.
QWidget* TfmQoDateDetail::BuildRecurrenceTab()
{
    tRecur = MakeTabPage("tRecur");
    pRecur = new QTabWidget(tRecur);
    pRecur->setObjectName(QStringLiteral("pRecur"));
    pRecur->addTab(BuildDailyTab(), QStringLiteral("Daily"));
    pRecur->addTab(BuildWeeklyTab(), QStringLiteral("Weekly"));
    pRecur->addTab(BuildMonthlyTab(), QStringLiteral("Monthly"));
    pRecur->addTab(BuildYearlyTab(), QStringLiteral("Yearly"));
    QWidget* range = BuildRangeGroup(tRecur);
    pRecur->setEnabled(false);
    range->setEnabled(false);

    auto* layout = new QVBoxLayout(tRecur);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(8);
    layout->addWidget(pRecur, 1);
    layout->addWidget(range);
    return tRecur;
}

QWidget* TfmQoDateDetail::BuildDailyTab()
{
    tDaily = MakeTabPage("tDaily");
    edtRecurDays = MakeNumberBox(tDaily, "edtRecurDays");
    RecurrencePageLayout(tDaily, edtRecurDays, "days.")->addStretch();
    return tDaily;
}

QWidget* TfmQoDateDetail::BuildWeeklyTab()
{
    tWeekly = MakeTabPage("tWeekly");
    edtRecurWeeks = MakeNumberBox(tWeekly, "edtRecurWeeks");
    auto* days = new QGridLayout;
    days->setHorizontalSpacing(16);
    int place = 0;
    for (const DayBox& day : kDayBoxes) {
        this->*day.box = MakeBox(tWeekly, day.name, day.caption);
        days->addWidget(this->*day.box, place / 4, place % 4);
        ++place;
    }
    QVBoxLayout* layout = RecurrencePageLayout(tWeekly, edtRecurWeeks, "weeks on:");
    layout->addLayout(days);
    layout->addStretch();
    return tWeekly;
}

QWidget* TfmQoDateDetail::BuildMonthlyTab()
{
    tMonthly = MakeTabPage("tMonthly");
    edtRecurMonths = MakeNumberBox(tMonthly, "edtRecurMonths");
    rbtnDate = MakeRadio(tMonthly, "rbtnDate", "Date");
    rbtnDay = MakeRadio(tMonthly, "rbtnDay", "Day");
    auto* by = new QHBoxLayout;
    by->setSpacing(16);
    by->addWidget(MakeBuddyLabel(tMonthly, QStringLiteral("By:"), rbtnDate));
    by->addWidget(rbtnDate);
    by->addWidget(rbtnDay);
    by->addStretch();
    QVBoxLayout* layout = RecurrencePageLayout(tMonthly, edtRecurMonths, "months");
    layout->addLayout(by);
    layout->addStretch();
    return tMonthly;
}

QWidget* TfmQoDateDetail::BuildYearlyTab()
{
    tYearly = MakeTabPage("tYearly");
    edtRecurYears = MakeNumberBox(tYearly, "edtRecurYears");
    RecurrencePageLayout(tYearly, edtRecurYears, "years")->addStretch();
    return tYearly;
}

QWidget* TfmQoDateDetail::BuildRangeGroup(QWidget* parent)
{
    auto* group = new QGroupBox(QStringLiteral(" Recurrence Range "), parent);
    group->setObjectName(QStringLiteral("gbRange"));
    edtRecurStart = MakeTextBox(group, QStringLiteral("edtRecurStart"));
    rbtnNoEnd = MakeRadio(group, "rbtnNoEnd", "No end date");
    rbtnEndBy = MakeRadio(group, "rbtnEndBy", "End by");
    edtRecurEnd = MakeTextBox(group, QStringLiteral("edtRecurEnd"));
    edtRecurEnd->setAccessibleName(QStringLiteral("End date"));

    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(16, 12, 16, 12);
    grid->setHorizontalSpacing(10);
    grid->addWidget(MakeBuddyLabel(group, QStringLiteral("Start:"), edtRecurStart), 0, 0);
    grid->addWidget(edtRecurStart, 0, 1);
    grid->addWidget(rbtnNoEnd, 0, 2);
    grid->addWidget(rbtnEndBy, 1, 2);
    grid->addWidget(edtRecurEnd, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return group;
}

void TfmQoDateDetail::SetUtil(CxGDateUtil* pUtil)
{
    m_pUtil = pUtil;
}

void TfmQoDateDetail::SetRecord(CommDateRecord* pRecord)
{
    m_pRecord = pRecord;
    m_pEvent = pRecord ? static_cast<GDateRecord*>(pRecord->pAttach) : nullptr;
    // Only a duplicate has a kept record to be told apart from; the scan sets both together.
    const bool duplicate = m_pEvent && (m_pEvent->dwFlags & REC_DUPLICATE) && m_pEvent->pKept;
    btnNotDuplicate->setVisible(duplicate);
    btnNotDuplicate->setEnabled(duplicate && CanKeepApart(*m_pEvent));
    TransferData(false);
}

bool TfmQoDateDetail::TransferData(bool save)
{
    if (!m_pEvent || !m_pUtil)
        return false;
    // The dialog only shows the event: nothing typed into it is taken back.
    if (save)
        return true;
    pDate->setCurrentWidget(tGen);
    FillGeneral();
    FillRecurrence();
    FillRange();
    FillMisc();
    return true;
}

void TfmQoDateDetail::FillGeneral()
{
    const GDateRecord& event = *m_pEvent;
    edtDesc->setText(FieldText(event.szSubject));
    edtDate->setText(DateText(event.dtStart));
    edtStartTime->setText(TimeText(event.dtStart));
    edtEndTime->setText(TimeText(event.dtEnd));
    edtLocation->setText(FieldText(event.szLocation));
    cbAlarm->setChecked(event.nReminderCount != 0);
    cbPrivate->setChecked(event.nPublishType == 2);
    cbAllday->setChecked(event.nAllDayEvent != 0);
    edtCategory->setText(FieldText(event.szCategory));
    memNotes->setPlainText(FieldText(event.szNote));
}

// Only the inner page of the event's rule stays; a type of no page leaves all four. A single event
// hides the whole tab.
void TfmQoDateDetail::FillRecurrence()
{
    const GDateRecord& event = *m_pEvent;
    const QString interval = QString::number(event.nRecurInterval);
    QWidget* page = nullptr;
    switch (event.nRecurrenceType) {
    case RECUR_DAILY:
        page = tDaily;
        edtRecurDays->setText(interval);
        break;
    case RECUR_WEEKLY:
        page = tWeekly;
        edtRecurWeeks->setText(interval);
        for (const DayBox& day : kDayBoxes)
            (this->*day.box)->setChecked((event.nRecurDayOfWeek & day.bit) != 0);
        break;
    case RECUR_MONTHLY_BY_WEEK:
    case RECUR_MONTHLY_BY_DATE:
        page = tMonthly;
        edtRecurMonths->setText(interval);
        (event.nRecurrenceType == RECUR_MONTHLY_BY_DATE ? rbtnDate : rbtnDay)->setChecked(true);
        break;
    case RECUR_YEARLY:
    case RECUR_YEARLY_BY_MONTH:
        page = tYearly;
        edtRecurYears->setText(interval);
        break;
    default:
        break;
    }
    // Hidden, not removed: the pages keep their place and come back when the tab is shown again.
    pDate->setTabVisible(pDate->indexOf(tRecur), event.nRecurrenceType != RECUR_NONE);
    for (QWidget* inner : {tDaily, tWeekly, tMonthly, tYearly})
        pRecur->setTabVisible(pRecur->indexOf(inner), !page || inner == page);
    if (page)
        pRecur->setCurrentWidget(page);
}

// Filled for every type, also when the Recurrence tab is hidden.
void TfmQoDateDetail::FillRange()
{
    const GDateRecord& event = *m_pEvent;
    edtRecurStart->setText(event.dtRecurrenceStart > kNoDate ? DateTimeText(event.dtRecurrenceStart) : QString());
    const bool bEnds = event.dtRecurrenceEnd > kNoDate;
    edtRecurEnd->setText(bEnds ? DateTimeText(event.dtRecurrenceEnd) : QString());
    (bEnds ? rbtnEndBy : rbtnNoEnd)->setChecked(true);
}

void TfmQoDateDetail::FillMisc()
{
    if (!m_pEvent)
        return;
    Refill(*lvMisc, [this] {
        new QTreeWidgetItem(lvMisc, {QStringLiteral("Creation Time"), DateTimeText(m_pEvent->dtCreated)});
        new QTreeWidgetItem(lvMisc, {QStringLiteral("Last Modification Time"), DateTimeText(m_pEvent->dtModified)});
    });
}

// Nothing is taken back, so the dialog's result means nothing to its opener.
void TfmQoDateDetail::btnCloseClick()
{
    accept();
}

void TfmQoDateDetail::btnNotDuplicateClick()
{
    done(m_pEvent && KeepApart(*m_pEvent) ? kKeptApartResult : QDialog::Accepted);
}

bool ShowEventDetail(QWidget* owner, CommDateRecord* pRecord, CxGDateUtil* pUtil)
{
    TfmQoDateDetail dialog(owner);
    dialog.SetUtil(pUtil);
    dialog.SetRecord(pRecord);
    return ExecModalDialog(dialog) == kKeptApartResult;
}
