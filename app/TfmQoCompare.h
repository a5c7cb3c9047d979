// The comparison dialog: a duplicate and the record its group keeps side by side, field by field,
// so the user sees what deleting the duplicate would take away. Either record opens in its detail
// dialog from here.
#pragma once

#include "app/core/ReviewFacts.h"

#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;
struct GAddrRecord;
struct GDateRecord;

class TfmQoCompare : public QDialog
{
    Q_OBJECT
public:
    enum Column { kDiffersColumn, kFieldColumn, kDuplicateColumn, kKeptColumn };

    // Shows one record's detail dialog owned by the given window; true when the user kept the pair
    // apart there, and the comparison then closes with kKeptApartResult.
    using DetailOpener = std::function<bool(QWidget* owner)>;

    TfmQoCompare(QWidget* owner, const std::vector<FieldPair>& fields, DetailOpener openDuplicate,
                 DetailOpener openKept);

    void btnDupDetailClick();
    void btnKeptDetailClick();

    QLabel* lblIntro = nullptr;
    QTreeWidget* lvCompare = nullptr;
    QPushButton* btnDupDetail = nullptr;
    QPushButton* btnKeptDetail = nullptr;
    QPushButton* btnClose = nullptr;

private:
    void Fill(const std::vector<FieldPair>& fields);
    void OpenDetail(const DetailOpener& open);

    DetailOpener m_openDuplicate;
    DetailOpener m_openKept;
};

// Shows a duplicate beside its kept record, modally, owned by owner. True when the user kept the
// two apart from one of the detail dialogs: the opener's duplicates are out of date.
bool ShowContactComparison(QWidget* owner, GAddrRecord& duplicate);
bool ShowEventComparison(QWidget* owner, GDateRecord& duplicate);
