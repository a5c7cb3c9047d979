// The "Deleted items" dialog: the account's deleted contacts and events as the trash keeps them,
// grouped by the day they were deleted, for the user to tick and restore; and the emptying of old
// deletions.
#pragma once

#include "app/core/DeletedItems.h"
#include "app/core/Deletion.h"
#include "app/core/Restoration.h"

#include <QDialog>

#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

// The restore's sink: log lines go to memLog, the wait window calls to the app's wait window.
class TfmQoTrash : public QDialog, private DeletionSink
{
    Q_OBJECT
public:
    // The rows deleted at or after tickSince ("YYYY-MM-DD HH:MM:SS") start ticked; empty: none.
    // Lists the trash at once, unless no account has been entered yet.
    explicit TfmQoTrash(QWidget* owner, std::string tickSince = std::string());

    // false: the days from the settings and the trash listed; true: the days taken into the settings.
    bool TransferData(bool save);

    // Restores the ticked rows behind the wait window, logs it and lists again.
    void btnRestoreClick();
    // Asks, then empties the deletions at least seDays old and lists again.
    void btnEmptyClick();
    void btnCloseClick();

    QTabWidget* pTrash = nullptr;
    QTreeWidget* lvAddr = nullptr;
    QTreeWidget* lvDate = nullptr;
    QLabel* lblHelp = nullptr;
    QLabel* lblSize = nullptr;
    QLabel* lblError = nullptr;
    QSpinBox* seDays = nullptr;
    QPushButton* btnEmpty = nullptr;
    QPlainTextEdit* memLog = nullptr;
    QPushButton* btnRestore = nullptr;
    QPushButton* btnClose = nullptr;

private:
    void BuildControls();
    // Lists the trash again and fills both lists, the size and what went wrong.
    void ListTrash();
    void FillLists();
    void ShowSize(bool bWhole);
    void UpdateRestoreButton();
    // Takes the rows' ticks into the items.
    void TakeTicks();

    void LogLine(const char* szLine) override;
    void Progress(int nPercent) override;
    void ShowWaitWindow() override;
    void HideWaitWindow() override;
    void SetWaitText(const char* szText) override;
    void SetWaitStatusFile(const char* szPath) override;
    void Pause(int nMilliseconds) override;

    DeletedItems m_items;
    Restoration m_job{*this, m_items};
    std::string m_tickSince;
    bool m_bFilling = false;
};

// Opens the dialog modally (through ExecModalDialog); without an account entered yet only a message
// asking for it on the first page is shown, and no helper runs.
void OpenTrashDialog(QWidget* owner, const std::string& tickSince = std::string());

// "12 items, 34.5 KB": the size as the size label says it.
QString TrashSizeText(uint64_t nItems, uint64_t nBytes);
