// The event detail dialog: one calendar event in full. It only displays; what is typed into it is
// dropped.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;
struct CommDateRecord;
struct GDateRecord;
class CxGDateUtil;

class TfmQoDateDetail : public QDialog
{
    Q_OBJECT
public:
    explicit TfmQoDateDetail(QWidget* owner);

    // Call before SetRecord, which fills the controls at once.
    void SetUtil(CxGDateUtil* pUtil);
    // Takes the record and its attached event (none for a null record), then fills the controls.
    void SetRecord(CommDateRecord* pRecord);
    // false fills the controls from the event; true takes nothing back. False when the event or the
    // utility is missing (the controls then keep what they had).
    bool TransferData(bool save);
    // The creation and last modification times.
    void FillMisc();

    void btnCloseClick();
    // Remembers the shown duplicate and the record its group keeps as not duplicates and closes the
    // dialog with kKeptApartResult.
    void btnNotDuplicateClick();

    QPushButton* btnClose = nullptr;
    // Shown only for a duplicate; disabled when the pair cannot be remembered (no identity).
    QPushButton* btnNotDuplicate = nullptr;
    QTabWidget* pDate = nullptr;
    QWidget* tGen = nullptr;
    QWidget* tRecur = nullptr;
    QWidget* tNotes = nullptr;
    QWidget* tMisc = nullptr;

    QLineEdit* edtDesc = nullptr;
    QLineEdit* edtDate = nullptr;
    QLineEdit* edtStartTime = nullptr;
    QLineEdit* edtEndTime = nullptr;
    QLineEdit* edtLocation = nullptr;
    QCheckBox* cbAlarm = nullptr;
    QCheckBox* cbPrivate = nullptr;
    QCheckBox* cbAllday = nullptr;
    QLineEdit* edtCategory = nullptr;

    QTabWidget* pRecur = nullptr;
    QWidget* tDaily = nullptr;
    QWidget* tWeekly = nullptr;
    QWidget* tMonthly = nullptr;
    QWidget* tYearly = nullptr;
    QLineEdit* edtRecurDays = nullptr;
    QLineEdit* edtRecurWeeks = nullptr;
    QLineEdit* edtRecurMonths = nullptr;
    QLineEdit* edtRecurYears = nullptr;
    // Monday first, as the boxes stand.
    QCheckBox* cbMonday = nullptr;
    QCheckBox* cbTuesday = nullptr;
    QCheckBox* cbWednesday = nullptr;
    QCheckBox* cbThursday = nullptr;
    QCheckBox* cbFriday = nullptr;
    QCheckBox* cbSaturday = nullptr;
    QCheckBox* cbSunday = nullptr;
    QRadioButton* rbtnDate = nullptr;
    QRadioButton* rbtnDay = nullptr;
    QLineEdit* edtRecurStart = nullptr;
    QRadioButton* rbtnNoEnd = nullptr;
    QRadioButton* rbtnEndBy = nullptr;
    QLineEdit* edtRecurEnd = nullptr;

    QPlainTextEdit* memNotes = nullptr;
    QTreeWidget* lvMisc = nullptr;

private:
    void BuildControls();
    QWidget* BuildGeneralTab();
    QWidget* BuildRecurrenceTab();
    QWidget* BuildDailyTab();
    QWidget* BuildWeeklyTab();
    QWidget* BuildMonthlyTab();
    QWidget* BuildYearlyTab();
    QWidget* BuildRangeGroup(QWidget* parent);
    void FillGeneral();
    void FillRecurrence();
    void FillRange();

    CommDateRecord* m_pRecord = nullptr;
    GDateRecord* m_pEvent = nullptr; // m_pRecord's attachment
    CxGDateUtil* m_pUtil = nullptr;
};

// Shows one event in its detail dialog, modally, owned by owner.
// True when the user closed it with "Not a duplicate": the pair is remembered and the opener's
// duplicates are out of date.
bool ShowEventDetail(QWidget* owner, CommDateRecord* pRecord, CxGDateUtil* pUtil);
