// The unhandled-exception dialog: an apology, the support address, where the debug log lies, and a
// way to quit.
#pragma once

#include <QDialog>

class QPushButton;
class DebugInfoGroup;
class TClickLabel;

class TfmDump : public QDialog
{
    Q_OBJECT
public:
    explicit TfmDump(QWidget* owner);

    // false shows where the debug log lies; the dialog takes nothing back.
    bool TransferData(bool save);

    void lblSupportClick();
    void btnFolderClick();
    void btnFileClick();
    void btnDebugClick();
    // Closes the dialog, then the main window through its normal path so the settings are saved.
    void btnExitClick();
    void imgLogoClick();

    TClickLabel* lblSupport = nullptr;
    DebugInfoGroup* gbDebug = nullptr;
    QPushButton* btnDebug = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnExit = nullptr;

private:
    void BuildControls();
    void FormCreate();
};

// Shows the unhandled-exception dialog modally, owned by the main window, and destroys it afterwards.
void ShowExceptionDialog();
