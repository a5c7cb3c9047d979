// The wizard's deletion page: deletes the ticked duplicates through the helper programs and logs
// every record it handles.
#pragma once

#include <QWidget>

#include <cstddef>
#include <cstdint>

class QPlainTextEdit;
class QProgressBar;
class QTimer;
class TClickLabel;
class CxGAppBaseUtil;
struct GAddrRecord;
struct GDateRecord;

class TfmQoClean : public QWidget
{
    Q_OBJECT
public:
    // Every log line is built in a buffer of this size, terminator included.
    static constexpr size_t kLineCapacity = 256;

    // parent is the main window's panel the page fills; the main window creates and destroys it.
    explicit TfmQoClean(QWidget* parent);

    // false: clear the log, write its head and arm the timer that starts the deletion. true: nothing
    // to take. Both keep the wizard going.
    bool TransferData(bool save);

    // About a second after entering: deletes once; any exception ends in the exception dialog.
    void tmStartTimer();
    void lblBackClick();

    // "\t<label>: <value>", an empty or missing value written as "<empty>", cut to fit the line
    // buffer on a whole UTF-8 character.
    static void FormatFieldLine(char (&szLine)[kLineCapacity], const char* szLabel, const char* szValue);

    QPlainTextEdit* memLog = nullptr;
    QProgressBar* pbDel = nullptr;
    TClickLabel* lblBack = nullptr;
    QTimer* tmStart = nullptr;

    // Records whose marking succeeded; tasks and notes are never deleted here and stay 0.
    int32_t m_nDeletedContacts = 0;
    int32_t m_nDeletedEvents = 0;
    int32_t m_nDeletedTasks = 0;
    int32_t m_nDeletedNotes = 0;
    // Records in the chosen applications' duplicate lists, and how many of them were walked.
    int32_t m_nTotal = 0;
    int32_t m_nProcessed = 0;

protected:
    // One record of the contact duplicate list: logged and marked when it was ticked. Virtual so a
    // test can make the deletion fail part-way (for testing).
    virtual void DeleteContactItem(GAddrRecord* pRecord);
    void DeleteEventItem(GDateRecord* pRecord);

private:
    void RunDeletion();
    void CountChosenRecords();
    // Each walks its kind's duplicate list and saves the marks; false when the save left the
    // account unchanged (the reason is logged then).
    bool DeleteContacts(const char* szDataFolder);
    bool DeleteEvents(const char* szDataFolder);
    void StepProgress();
    bool SaveMarks(CxGAppBaseUtil& util, const char* szStatusPath);
    void LogSummary(bool bContactsSaved, bool bEventsSaved);

    void LogLine(const char* szText);
    void LogField(const char* szLabel, const char* szValue);
    void LogRule();
    void LogGap();
    void LogVerdict(bool bMarked);
};
