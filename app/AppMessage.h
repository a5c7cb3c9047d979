// The one way the app shows a message box, so tests can see what would have been shown.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

struct AppMessageRecord
{
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Shows a modal box with one OK button and returns when the user has closed it.
void AppMessageBox(QWidget* parent, const QString& text, const QString& title = QStringLiteral("Error"),
                   QMessageBox::Icon icon = QMessageBox::Information);

// Asks a Yes/No question with the question icon; returns the button the user pressed (Escape and
// the window's close button answer No).
QMessageBox::StandardButton AppQuestionBox(QWidget* parent, const QString& text, const QString& title,
                                           QMessageBox::StandardButton defaultButton = QMessageBox::No);

// Test seam: while a handler is installed, boxes are handed to it instead of being shown (for
// testing). An empty function restores the real boxes and forgets an answer not yet taken.
void SetAppMessageHandler(std::function<void(const AppMessageRecord&)> handler);
// Test seam: the answer the next question handed to the handler gets, taken once; without one a
// question gets its default button (for testing).
void SetNextAppAnswer(QMessageBox::StandardButton answer);
