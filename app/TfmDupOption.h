// The duplicate checking rule dialog: how two contacts or two events are found the same (by the
// fields ticked, or by smart matching), and the pairs the user said are not duplicates.
#pragma once

#include <QDialog>

#include <QSize>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTabWidget;
class QTreeWidget;

class TfmDupOption : public QDialog
{
    Q_OBJECT
public:
    static constexpr QSize kClientSize{547, 672};

    explicit TfmDupOption(QWidget* owner);

    // false: every control shows its setting and the list the pairs kept apart; true: every setting
    // takes its control, and the pairs forgotten since are dropped from the store, which is saved.
    // Both return true.
    bool TransferData(bool save);

    void btnOKClick();
    // Takes the selected pair off the list; the store forgets it only when OK closes the dialog.
    void btnForgetClick();

    // The box standing for a setting, by its control name ("cbAddrEmail"); null for another name.
    QCheckBox* Box(const char* name) const;

    QRadioButton* rbtnExact = nullptr;
    QRadioButton* rbtnSmart = nullptr;
    QTabWidget* pMain = nullptr;
    // How the review page ticks a duplicate that holds data its kept record lacks.
    QCheckBox* cbUntickLosing = nullptr;
    QStackedWidget* pPairs = nullptr;
    QTreeWidget* lvPairs = nullptr;
    QLabel* lblNoPairs = nullptr;
    QPushButton* btnForget = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    void BuildControls();
    QWidget* BuildModeChoice();
    QWidget* BuildTab(int tab);
    QWidget* BuildPairsList();
    void FillPairs();
    void UpdateControls();
};
