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
};

// Shows a modal box with one OK button and returns when the user has closed it.
void AppMessageBox(QWidget* parent, const QString& text, const QString& title = QStringLiteral("Error"),
                   QMessageBox::Icon icon = QMessageBox::Information);

// Test seam: while a handler is installed, boxes are handed to it instead of being shown (for
// testing). An empty function restores the real boxes.
void SetAppMessageHandler(std::function<void(const AppMessageRecord&)> handler);
