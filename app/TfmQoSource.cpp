#include "app/TfmQoSource.h"

#include "app/AppMessage.h"
#include "app/DialogUtil.h"
#include "app/ModalDialog.h"
#include "app/TfmDump.h"
#include "app/TfmDupOption.h"
#include "app/TfmMain.h"
#include "app/core/AppSettings.h"
#include "app/core/ServiceSet.h"
#include "common/google/CxCommWaitWindow.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/Utf8Text.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>

namespace {

QCheckBox* MakeBox(QWidget* parent, const char* name, const QString& caption)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

QLineEdit* MakeTextBox(QWidget* parent, const char* name)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setMinimumWidth(300);
    return box;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QWidget* buddy)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->setBuddy(buddy);
    return label;
}

// The fields hold 63 bytes of UTF-8; a cut never leaves half a character behind.
void StoreText(char (&field)[64], const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    CopyUtf8(field, std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

void WaitCursorOn()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void WaitCursorOff()
{
    QApplication::restoreOverrideCursor();
}

} // namespace

TfmQoSource::TfmQoSource(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("fmQoSource"));
    setWindowFlags(Qt::Widget | Qt::FramelessWindowHint);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 20, 40, 20);
    layout->setSpacing(16);
    layout->addWidget(BuildLoginGroup());
    layout->addWidget(BuildApplicationGroup());
    layout->addStretch();

    setTabOrder(edtEmail, edtPassword);
    setTabOrder(edtPassword, cbSaveEmail);
    setTabOrder(cbSaveEmail, cbSavePassword);
    setTabOrder(cbSavePassword, cbAddr);
    setTabOrder(cbAddr, cbDate);
    setTabOrder(cbDate, btnSelAll);
    setTabOrder(btnSelAll, btnClear);
    setTabOrder(btnClear, btnOption);

    connect(btnSelAll, &QPushButton::clicked, this, &TfmQoSource::btnSelAllClick);
    connect(btnClear, &QPushButton::clicked, this, &TfmQoSource::btnClearClick);
    connect(btnOption, &QPushButton::clicked, this, &TfmQoSource::btnOptionClick);
}

QWidget* TfmQoSource::BuildLoginGroup()
{
    auto* group = new QGroupBox(QStringLiteral(" Google Login Information "), this);
    group->setObjectName(QStringLiteral("gbLogin"));
    edtEmail = MakeTextBox(group, "edtEmail");
    edtPassword = MakeTextBox(group, "edtPassword");
    edtPassword->setEchoMode(QLineEdit::Password);
    auto* label5 = MakeLabel(group, "Label5", QStringLiteral("Email:"), edtEmail);
    auto* label6 = MakeLabel(group, "Label6", QStringLiteral("Password:"), edtPassword);
    Label1 = new QLabel(QStringLiteral("Please use a Gmail or Googlemail address, e.g. yourname@gmail.com"), group);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setStyleSheet(QStringLiteral("color: blue;"));
    cbSaveEmail = MakeBox(group, "cbSaveEmail", QStringLiteral("Remember Email"));
    cbSavePassword = MakeBox(group, "cbSavePassword", QStringLiteral("Remember Password"));

    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(24, 20, 24, 16);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(8);
    grid->addWidget(label5, 0, 0);
    grid->addWidget(edtEmail, 0, 1);
    grid->addWidget(cbSaveEmail, 0, 2);
    grid->addWidget(Label1, 1, 1, 1, 2);
    grid->addWidget(label6, 2, 0);
    grid->addWidget(edtPassword, 2, 1);
    grid->addWidget(cbSavePassword, 2, 2);
    grid->setColumnStretch(3, 1);
    return group;
}

QWidget* TfmQoSource::BuildApplicationGroup()
{
    auto* group = new QGroupBox(QStringLiteral(" Choose Applications to Check Duplicates "), this);
    group->setObjectName(QStringLiteral("gbApplications"));
    cbAddr = MakeBox(group, "cbAddr", QStringLiteral("Google Gmail Contacts"));
    cbDate = MakeBox(group, "cbDate", QStringLiteral("Google Calendar"));
    // Tasks and notes have services of their own but are not offered yet.
    cbTask = MakeBox(group, "cbTask", QStringLiteral("Task"));
    cbNote = MakeBox(group, "cbNote", QStringLiteral("Note"));
    cbTask->hide();
    cbNote->hide();
    btnSelAll = MakeDialogButton(group, "btnSelAll", QStringLiteral("Select All"));
    btnClear = MakeDialogButton(group, "btnClear", QStringLiteral("&Clear"));
    btnOption = MakeDialogButton(group, "btnOption", QStringLiteral("Customize Duplicate Checking Rule"));

    auto* boxes = new QVBoxLayout;
    boxes->setSpacing(8);
    for (QCheckBox* box : {cbAddr, cbDate, cbTask, cbNote})
        boxes->addWidget(box);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnSelAll);
    buttons->addWidget(btnClear);
    buttons->addStretch();
    buttons->addWidget(btnOption);
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(12);
    layout->addLayout(boxes);
    layout->addLayout(buttons);
    return group;
}

bool TfmQoSource::TransferData(bool save)
{
    if (!save) {
        cbSaveEmail->setChecked(AppSettings.SaveEmail);
        cbSavePassword->setChecked(AppSettings.SavePassword);
        edtEmail->setText(QString::fromUtf8(AppSettings.Email));
        edtPassword->setText(QString::fromUtf8(AppSettings.Password));
        cbAddr->setChecked(AppSettings.AppFlag & APP_CONTACTS);
        cbDate->setChecked(AppSettings.AppFlag & APP_CALENDAR);
        // Typing starts where input is missing: with a remembered address, in the password box.
        const bool onlyPasswordMissing = !edtEmail->text().isEmpty() && edtPassword->text().isEmpty();
        (onlyPasswordMissing ? edtPassword : edtEmail)->setFocus();
        return true;
    }
    if (!CheckInput())
        return false;
    StoreInput();
    if (AppSettings.AppFlag == 0) {
        AppMessageBox(this, QStringLiteral("Please select at lease one application to check and delete duplicates."));
        return false;
    }
    return LoadChosenApplications();
}

bool TfmQoSource::CheckInput()
{
    if (edtEmail->text().isEmpty()) {
        AppMessageBox(this, QStringLiteral("Please enter the Email address of your Google account."));
        edtEmail->setFocus();
        return false;
    }
    if (edtPassword->text().isEmpty()) {
        AppMessageBox(this, QStringLiteral("Please enter the password of your Google account."));
        edtPassword->setFocus();
        return false;
    }
    return true;
}

// The settings keep these even when the load below fails.
void TfmQoSource::StoreInput()
{
    AppSettings.SaveEmail = cbSaveEmail->isChecked();
    AppSettings.SavePassword = cbSavePassword->isChecked();
    StoreAccount();
    // Only the boxes the user can see choose: the hidden task and note boxes never load anything.
    AppSettings.AppFlag = (cbAddr->isChecked() ? APP_CONTACTS : 0) | (cbDate->isChecked() ? APP_CALENDAR : 0);
}

void TfmQoSource::StoreAccount()
{
    StoreText(AppSettings.Email, edtEmail->text());
    StoreText(AppSettings.Password, edtPassword->text());
}

bool TfmQoSource::LoadChosenApplications()
{
    fmMain->SetStepText(QStringLiteral("Loading Google information, please wait ..."));
    WaitCursorOn();
    StartWaitWindow(this);
    try {
        if (fmMain->LoadServices()) {
            // What a data file cut short still held is shown, but never as the whole account.
            const std::string shortfall = LoadShortfallText();
            if (!shortfall.empty())
                AppMessageBox(this, QString::fromStdString(shortfall), QStringLiteral("Qosweep"), QMessageBox::Warning);
            StopWaitWindow();
            WaitCursorOff();
            return true;
        }
        // Shown while the wait window is still up, so the user sees which step failed; the reason
        // follows, since a helper that hung or crashed is no wrong password.
        QString message = QStringLiteral("Can not retrieve your Google Contacts or Calendar information. Please "
                                         "make sure that you entered the correct Email and Password.");
        const std::string reason = LoadFailureText();
        if (!reason.empty())
            message += QStringLiteral("\n\n") + QString::fromStdString(reason);
        AppMessageBox(this, message);
        WaitCursorOff();
        StopWaitWindow();
        return false;
    } catch (const std::exception& e) {
        g_debugLog.Print(0, __FILE__, __LINE__, "Unhandled exception while loading: %s", e.what());
    } catch (...) {
        g_debugLog.Print(0, __FILE__, __LINE__, "Unhandled exception while loading.");
    }
    StopWaitWindow();
    WaitCursorOff();
    ShowExceptionDialog();
    return false;
}

void TfmQoSource::btnSelAllClick()
{
    for (QCheckBox* box : {cbAddr, cbDate, cbTask, cbNote})
        box->setChecked(true);
}

void TfmQoSource::btnClearClick()
{
    for (QCheckBox* box : {cbAddr, cbDate, cbTask, cbNote})
        box->setChecked(false);
}

void TfmQoSource::btnOptionClick()
{
    TfmDupOption dialog(this);
    dialog.TransferData(false);
    ExecModalDialog(dialog);
}
