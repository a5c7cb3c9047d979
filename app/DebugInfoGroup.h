// The " Debug Information " group both diagnostics dialogs share: where the debug log lies, with
// buttons that open its folder and the log itself.
#pragma once

#include <QGroupBox>

class QLineEdit;
class QPushButton;

class DebugInfoGroup : public QGroupBox
{
    Q_OBJECT
public:
    // note: a line shown at the top of the group; empty for none.
    DebugInfoGroup(QWidget* parent, const QString& note);

    // Shows the data folder and the log file's path, or disables both buttons when there is no data
    // folder.
    void ShowLogPlace();

    // Open the folder, and the log when it exists; a missing log is reported in a box owned by the
    // dialog.
    void btnFolderClick();
    void btnFileClick();

    QLineEdit* edtFolder = nullptr;
    QPushButton* btnFolder = nullptr;
    QLineEdit* edtFile = nullptr;
    QPushButton* btnFile = nullptr;
};
