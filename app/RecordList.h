// The record lists of the review page: a report view whose rows carry a record each, with a check
// box that marks the record for deletion.
#pragma once

#include <QStringList>
#include <QTreeWidget>

#include <vector>

struct GAddrRecord;
struct GDateRecord;

struct ListColumn
{
    const char* caption;
    int width;
};

// A list's name, what a screen reader calls it, and its columns.
struct ListShape
{
    const char* name;
    const char* accessibleName;
    std::vector<ListColumn> columns;
};

// A read-only report view with whole-row selection and the columns' own widths (rows may carry
// check boxes).
QTreeWidget* MakeReportList(QWidget* parent, const ListShape& list);

// Display Name, Email(Primary), Phone(Primary), Company Name, Job Title.
QStringList ContactRowTexts(const GAddrRecord& r);
// Subject, start and end time of day ("N/A" when unset), "Yes"/"No" for all day, Location.
QStringList EventRowTexts(const GDateRecord& r);

// A row standing for record, ticked or not.
QTreeWidgetItem* MakeRecordRow(void* record, const QStringList& texts, bool ticked);
// Makes a row made elsewhere (an item of a class of its own) stand for record, ticked or not.
void BindRecordRow(QTreeWidgetItem* row, void* record, bool ticked);
// Replaces every row of the list, with repainting held until the last row is in.
void ReplaceRows(QTreeWidget* list, const QList<QTreeWidgetItem*>& rows);

// The record a row stands for; null for a row without one.
void* RowRecord(const QTreeWidgetItem* row);
bool IsTicked(const QTreeWidgetItem* row);
void SetTicked(QTreeWidgetItem* row, bool ticked);
