// The wizard's account page: the account, whether to remember it, and the applications to check.
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TfmQoSource : public QWidget
{
    Q_OBJECT
public:
    // parent is the main window's panel the page fills; the main window creates and destroys it.
    explicit TfmQoSource(QWidget* parent);

    // false: show the stored settings. true: check the input, store it and load the chosen
    // applications behind the wait window; false keeps the wizard on this page.
    bool TransferData(bool save);

    void btnSelAllClick();
    void btnClearClick();
    void btnOptionClick();

    QLineEdit* edtEmail = nullptr;
    QLineEdit* edtPassword = nullptr;
    QLabel* Label1 = nullptr;
    QCheckBox* cbSaveEmail = nullptr;
    QCheckBox* cbSavePassword = nullptr;
    QCheckBox* cbAddr = nullptr;
    QCheckBox* cbDate = nullptr;
    QCheckBox* cbTask = nullptr;
    QCheckBox* cbNote = nullptr;
    QPushButton* btnSelAll = nullptr;
    QPushButton* btnClear = nullptr;
    QPushButton* btnOption = nullptr;

    // Takes the e-mail address and password typed so far into the settings, for a dialog that works
    // on the account before Next is pressed.
    void StoreAccount();

private:
    QWidget* BuildLoginGroup();
    QWidget* BuildApplicationGroup();
    bool CheckInput();
    void StoreInput();
    bool LoadChosenApplications();
};
