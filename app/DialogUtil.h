// Small pieces the dialogs share: sizing and centring, and their buttons.
#pragma once

#include <QSize>
#include <QString>

#include <initializer_list>

class QHBoxLayout;
class QPushButton;
class QWidget;

// Moves a top-level window to the middle of its screen's available area.
void CentreOnScreen(QWidget& window);
// A dialog-style window: the client area has this size, cannot be resized and sits centred.
void SetFixedCentred(QWidget& window, QSize client);

QPushButton* MakeDialogButton(QWidget* parent, const char* name, const QString& caption);
// The buttons right-aligned in one row.
QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons);
