// The wizard's review page: the duplicates found, one ticked row each, per chosen application.
#pragma once

#include <QWidget>

#include <memory>

class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
struct ListShape;

class TfmQoData : public QWidget
{
    Q_OBJECT
public:
    // parent is the main window's panel the page fills; the main window creates and destroys it.
    explicit TfmQoData(QWidget* parent);

    // false: entering from the account page, scan the chosen applications and list their duplicates;
    // returns true. true: leaving with Next, the tick marks become the records' selection for
    // deletion; returns false when the user, asked before a deletion of most of an application's
    // records or of very many, said No.
    bool TransferData(bool save);

    void cbCaseClick();
    void btnRefreshClick();
    void btnSelAllClick();
    void btnClearClick();
    void btnOptionClick();
    void cbAddrAllClick();
    void cbDateAllClick();
    void lvAddrDblClick();
    void lvDateDblClick();
    // Writes the report of the lists, with the current ticks, into a file the user picks.
    void btnExportClick();

    // The context menu of a row of lvAddr or lvDate: "Not a duplicate", enabled when the row's
    // record is a duplicate that can be kept apart from the record its group keeps. Null for no row.
    std::unique_ptr<QMenu> MakeRowMenu(QTreeWidget* list, QTreeWidgetItem* row);
    // Remembers the row's record and its kept record as not duplicates, then rescans as a change of
    // the rule does, so the row goes. Nothing happens for a row that cannot be kept apart.
    void NotDuplicateClick(QTreeWidget* list, QTreeWidgetItem* row);

    QTabWidget* pData = nullptr;
    QWidget* tAddr = nullptr;
    QWidget* tDate = nullptr;
    QWidget* tTask = nullptr;
    QWidget* tNote = nullptr;
    QTreeWidget* lvAddr = nullptr;
    QTreeWidget* lvDate = nullptr;
    QTreeWidget* lvTask = nullptr;
    QTreeWidget* lvNote = nullptr;
    QCheckBox* cbAddrAll = nullptr;
    QCheckBox* cbDateAll = nullptr;
    QLabel* lblAddrCount = nullptr;
    QLabel* lblDateCount = nullptr;
    QCheckBox* cbCase = nullptr;
    QPushButton* btnOption = nullptr;
    QPushButton* btnRefresh = nullptr;
    QPushButton* btnSelAll = nullptr;
    QPushButton* btnClear = nullptr;
    QPushButton* btnExport = nullptr;

private:
    QWidget* BuildTab(const char* name, const ListShape& list, QTreeWidget*& built);
    void AddTotalsRow(QWidget* tab, const char* boxName, const QString& caption, const char* labelName,
                      QCheckBox*& showAll, QLabel*& count);
    QWidget* BuildButtonBar();
    bool IsShown(QWidget* tab) const;

    void ShowRowMenu(QTreeWidget* list, const QPoint& at);
    void UpdateCaseBox();
    void Rescan();
    void ScanAll();
    void FillAll(bool duplicatesOnly);
    void FillAddr(bool duplicatesOnly);
    void FillDate(bool duplicatesOnly);
    void TakeTicks();
    bool ConfirmLargeDeletions();
    void TickAll(bool ticked);
};
