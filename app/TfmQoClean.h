// The wizard's deletion page: starts the deletion job a second after it is entered and shows its log
// and progress.
#pragma once

#include "app/core/Deletion.h"

#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <memory>

class QPlainTextEdit;
class QProgressBar;
class QTimer;
class TClickLabel;
struct GAddrRecord;

// The job's sink: log lines go to memLog, the progress to pbDel, the wait window calls to the app's
// wait window.
class TfmQoClean : public QWidget, private DeletionSink
{
    Q_OBJECT

    class PageDeletion;
    // First, so the counters below can be bound to it.
    std::unique_ptr<PageDeletion> m_pDeletion;

public:
    static constexpr size_t kLineCapacity = Deletion::kLineCapacity;

    // parent is the main window's panel the page fills; the main window creates and destroys it.
    explicit TfmQoClean(QWidget* parent);
    ~TfmQoClean() override;

    // false: clear the log, write its head and arm the timer that starts the deletion. true: nothing
    // to take. Both keep the wizard going.
    bool TransferData(bool save);

    // About a second after entering: deletes once; any exception ends in the exception dialog.
    void tmStartTimer();
    void lblBackClick();
    // Opens the trash dialog with this run's deletions ticked.
    void lblUndoClick();

    static void FormatFieldLine(char (&szLine)[kLineCapacity], const char* szLabel, const char* szValue)
    {
        Deletion::FormatFieldLine(szLine, szLabel, szValue);
    }

    QPlainTextEdit* memLog = nullptr;
    QProgressBar* pbDel = nullptr;
    TClickLabel* lblBack = nullptr;
    // Shown once a run has finished and the helpers deleted something.
    TClickLabel* lblUndo = nullptr;
    QTimer* tmStart = nullptr;

    // The job's counters (see Deletion), under the page's names.
    int32_t& m_nDeletedContacts;
    int32_t& m_nDeletedEvents;
    int32_t& m_nDeletedTasks;
    int32_t& m_nDeletedNotes;
    int32_t& m_nTotal;
    int32_t& m_nProcessed;

protected:
    // The job hands every record of the contact duplicate list here; by default the job deletes it.
    // Virtual so a test can make the deletion fail part-way (for testing).
    virtual void DeleteContactItem(GAddrRecord* pRecord);

private:
    void LogLine(const char* szLine) override;
    void Progress(int nPercent) override;
    void ShowWaitWindow() override;
    void HideWaitWindow() override;
    void SetWaitText(const char* szText) override;
    void SetWaitStatusFile(const char* szPath) override;
    void Pause(int nMilliseconds) override;
};
