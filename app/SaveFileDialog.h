// The one way the app asks for a file to save into, so tests can answer instead of a dialog.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

struct SaveFileRequest
{
    QString caption;
    QString proposed;    // the path the dialog starts with
    QStringList filters; // "CSV file (*.csv)", ...; the first is chosen at the start
};

struct SaveFileAnswer
{
    QString path;   // empty when the user cancelled
    QString filter; // the filter chosen, one of the request's
};

// Shows the desktop's save-file dialog modally; it asks before a file is replaced.
SaveFileAnswer AskSaveFileName(QWidget* parent, const SaveFileRequest& request);

// Test seam: while a handler is installed, requests are handed to it instead of showing a dialog, and
// its answer is taken (for testing). An empty function restores the real dialog.
void SetSaveFileHandler(std::function<SaveFileAnswer(const SaveFileRequest&)> handler);
