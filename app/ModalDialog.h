// The one way the app shows a dialog modally, so tests can answer it instead of blocking.
#pragma once

#include <functional>

class QDialog;

// Shows the dialog modally and returns its result (QDialog::Accepted or QDialog::Rejected).
int ExecModalDialog(QDialog& dialog);

// Test seam: while a handler is installed, dialogs are handed to it instead of being shown, and its
// return value is taken as the result (for testing). An empty function restores the real showing.
void SetModalDialogHandler(std::function<int(QDialog&)> handler);
