// The debug log options dialog: switch the log on or off, set its level and see where it lies.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;
class DebugInfoGroup;

class TfmDebug : public QDialog
{
    Q_OBJECT
public:
    explicit TfmDebug(QWidget* owner);

    // false: show the settings; true: take the controls into the settings and the debug log at once.
    bool TransferData(bool save);

    void btnOKClick();
    void btnFolderClick();
    void btnFileClick();
    void imgLogoClick();
    // Opens the deleted items dialog, nothing ticked.
    void btnTrashClick();

    QCheckBox* cbEnable = nullptr;
    QComboBox* cbxLevel = nullptr;
    DebugInfoGroup* gbDebug = nullptr;
    QPushButton* btnTrash = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    void BuildControls();
    void FormCreate();
};
