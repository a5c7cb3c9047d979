// The duplicate checking rule dialog: which fields two contacts or two events must share.
#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;
class QTabWidget;

class TfmDupOption : public QDialog
{
    Q_OBJECT
public:
    explicit TfmDupOption(QWidget* owner);

    // false: every box shows its setting; true: every setting takes its box. Both return true.
    bool TransferData(bool save);

    void btnOKClick();

    // The box standing for a setting, by its control name ("cbAddrEmail"); null for another name.
    QCheckBox* Box(const char* name) const;

    QTabWidget* pMain = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    void BuildControls();
    QWidget* BuildTab(int tab);
};
