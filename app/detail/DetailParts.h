// What the two detail dialogs are built from: the white head with the close button, labelled boxes,
// tab pages, and texts read from a record's fixed fields.
#pragma once

#include <QString>
#include <QTreeWidget>

#include <cstddef>
#include <cstring>

class QBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// A record text, read no further than its field even when the terminator is missing.
template <size_t N>
QString FieldText(const char (&field)[N])
{
    return QString::fromUtf8(field, static_cast<qsizetype>(strnlen(field, N)));
}

// The white head of a detail dialog: the application picture, the bold caption and btnClose.
QWidget* MakeDetailHead(QWidget* dialog, const QString& caption, QPushButton*& btnClose);
// "Not a duplicate", right-aligned in a row of its own at the end of body. It stays hidden until the
// dialog shows a duplicate, and the row takes no room while it is hidden, so the dialog of any other
// record looks as it always did. Not in the head: its caption needs the whole width there.
QPushButton* AddNotDuplicateRow(QWidget* dialog, QBoxLayout* body);

// The result of a detail dialog closed with "Not a duplicate" after the pair was remembered: its
// opener rescans, so the duplicate leaves the list.
inline constexpr int kKeptApartResult = 2;

QLineEdit* MakeTextBox(QWidget* parent, const QString& name);
// The label of a box ("lblX" for "edtX"), its buddy.
QLabel* MakeBuddyLabel(QWidget* parent, const QString& caption, QWidget* buddy);
// An empty tab page, or one holding just the one control.
QWidget* MakeTabPage(const char* name);
QWidget* SinglePage(const char* name, QWidget* content);

// Empties the list and lets fill add its rows, with painting held back until the list is complete.
template <class Fill>
void Refill(QTreeWidget& list, Fill fill)
{
    list.setUpdatesEnabled(false);
    list.clear();
    fill();
    list.setUpdatesEnabled(true);
}
