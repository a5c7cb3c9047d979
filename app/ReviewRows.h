// The rows of the review page's lists: a record's own columns, and for a duplicate the record it
// duplicates, what the two matched on, a marker when deleting it would lose data the kept record
// lacks, and the two records' main fields side by side when the pointer rests on the row.
#pragma once

#include "app/core/ReviewFacts.h"

#include <QIcon>
#include <QString>

#include <vector>

class QTreeWidgetItem;
class QWidget;
struct GAddrRecord;
struct GDateRecord;

// The columns after a record's own five, in both lists: "Kept record", "Matched on", "Would be lost".
enum ReviewColumn { kKeptColumn = 5, kMatchedColumn = 6, kLossColumn = 7 };

// What every row of one fill shares.
struct ReviewRowStyle
{
    QIcon lossIcon;
    bool untickLosing = false; // a duplicate that would lose data starts unticked
};

// The style of a fill of list under the current settings.
ReviewRowStyle CurrentRowStyle(const QWidget& list);

// A record's row. In the duplicates view it is ticked, unless the style leaves a losing duplicate
// unticked; in the show-all view every row starts unticked.
QTreeWidgetItem* MakeReviewRow(GAddrRecord* r, bool duplicatesView, const ReviewRowStyle& style);
QTreeWidgetItem* MakeReviewRow(GDateRecord* r, bool duplicatesView, const ReviewRowStyle& style);

// True for a record the scan found a duplicate of another that stays.
bool IsReviewDuplicate(const GAddrRecord& r);
bool IsReviewDuplicate(const GDateRecord& r);

// The hover text of a duplicate's row: the main fields of the duplicate and its kept record in a
// rich-text table, the fields that differ in bold and marked.
QString HoverText(const std::vector<FieldPair>& fields);
// The marker's hover text: each datum that would be lost on a line of its own.
QString LossText(const ReviewFacts& facts);
