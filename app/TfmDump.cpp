#include "app/TfmDump.h"

#include "app/DebugInfoGroup.h"
#include "app/DialogUtil.h"
#include "app/ModalDialog.h"
#include "app/ProductInfo.h"
#include "app/QoBanner.h"
#include "app/TfmDebug.h"
#include "app/TfmMain.h"
#include "common/misc/WinUtil.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

TfmDump::TfmDump(QWidget* owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("fmDump"));
    setWindowTitle(QStringLiteral("Handle Qosweep Exception"));
    setSizeGripEnabled(true);
    BuildControls();
    resize(562, 398);
    CentreOnScreen(*this);
    FormCreate();
}

void TfmDump::BuildControls()
{
    auto* banner = new QoBanner(this, true);
    connect(banner, &QoBanner::clicked, this, &TfmDump::imgLogoClick);

    auto* sorry = new QLabel(QStringLiteral("We're sorry that an unhandled exception occurred  in Qosweep."), this);
    sorry->setObjectName(QStringLiteral("lblSorry"));
    sorry->setWordWrap(true);
    auto* contact = new QLabel(QStringLiteral("Please contact us at:"), this);
    lblSupport = new TClickLabel(QString::fromLatin1(kSupportEmail), this);
    lblSupport->setObjectName(QStringLiteral("lblSupport"));
    lblSupport->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    lblSupport->setCursor(Qt::PointingHandCursor);
    lblSupport->setToolTip(QStringLiteral("Write to Qosweep support"));
    gbDebug = new DebugInfoGroup(
        this, QStringLiteral("It is very appreciated if you can include the debug information in your error report."));
    btnDebug = MakeDialogButton(this, "btnDebug", QStringLiteral("&Debug Options"));
    btnOK = MakeDialogButton(this, "btnOK", QStringLiteral("&OK"));
    btnExit = MakeDialogButton(this, "btnExit", QStringLiteral("Quit Qosweep"));
    btnOK->setDefault(true);

    auto* support = new QHBoxLayout;
    support->addWidget(contact);
    support->addWidget(lblSupport);
    support->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnDebug);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnExit);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(20, 16, 20, 16);
    body->setSpacing(12);
    body->addWidget(sorry);
    body->addLayout(support);
    body->addWidget(gbDebug);
    body->addStretch();
    body->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(banner);
    layout->addLayout(body, 1);

    connect(lblSupport, &TClickLabel::clicked, this, &TfmDump::lblSupportClick);
    connect(btnDebug, &QPushButton::clicked, this, &TfmDump::btnDebugClick);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnExit, &QPushButton::clicked, this, &TfmDump::btnExitClick);
}

void TfmDump::FormCreate()
{
    TransferData(false);
}

bool TfmDump::TransferData(bool save)
{
    if (!save)
        gbDebug->ShowLogPlace();
    return true;
}

void TfmDump::lblSupportClick()
{
    // The subject's blanks are percent-encoded: a link with raw blanks is no valid URL, and some mail
    // programs drop the subject then.
    const QByteArray link = QByteArray("mailto:") + kSupportEmail +
                            "?subject=" + QUrl::toPercentEncoding(QString::fromLatin1(kBugReportSubject));
    OpenWithShell(link.constData());
}

void TfmDump::btnFolderClick()
{
    gbDebug->btnFolderClick();
}

void TfmDump::btnFileClick()
{
    gbDebug->btnFileClick();
}

void TfmDump::btnDebugClick()
{
    TfmDebug dialog(fmMain);
    ExecModalDialog(dialog);
}

void TfmDump::btnExitClick()
{
    reject();
    // Queued, so the main window closes only after this dialog's modal loop has ended.
    if (fmMain)
        QMetaObject::invokeMethod(fmMain, &QWidget::close, Qt::QueuedConnection);
}

void TfmDump::imgLogoClick()
{
    OpenWithShell(kProductWebPage);
}

void ShowExceptionDialog()
{
    TfmDump dialog(fmMain);
    ExecModalDialog(dialog);
}
