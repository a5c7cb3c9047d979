#include "app/TfmQoTrash.h"

#include "app/AppMessage.h"
#include "app/DialogUtil.h"
#include "app/ModalDialog.h"
#include "app/RecordList.h"
#include "app/TfmMain.h"
#include "app/TfmQoSource.h"
#include "app/core/AppSettings.h"
#include "common/google/CxCommWaitWindow.h"
#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The review page's own columns of each kind, then when the item went (and, for events, where from).
// The first is wider than on the review page: it holds the rows' indent under their day as well.
const ListShape kAddrTrashList = {"lvAddr",
                                  "Deleted contacts",
                                  {{"Display Name", 170},
                                   {"Email", 120},
                                   {"Primary Phone", 100},
                                   {"Company", 100},
                                   {"Title", 100},
                                   {"Deleted", 150}}};
const ListShape kDateTrashList = {"lvDate",
                                  "Deleted calendar events",
                                  {{"Subject", 230},
                                   {"Start Time", 80},
                                   {"End Time", 80},
                                   {"All Day Event", 100},
                                   {"Location", 150},
                                   {"Deleted", 150},
                                   {"Calendar", 100}}};

const char* const kNoAccountText = "Enter your account on the first page first: the deleted items are those of "
                                   "the account you enter there.";

QString AccountText()
{
    return QString::fromUtf8(AppSettings.Email);
}

// A day's heading row: spans the list, cannot be ticked.
QTreeWidgetItem* DayRow(const std::string& day)
{
    auto* row = new QTreeWidgetItem(QStringList{QStringLiteral("Deleted on %1").arg(QString::fromStdString(day))});
    row->setFlags(Qt::ItemIsEnabled);
    QFont font = row->font(0);
    font.setBold(true);
    row->setFont(0, font);
    return row;
}

QStringList ItemTexts(const DeletedItem& item)
{
    QStringList texts =
        item.kind == TrashKind::Contacts ? ContactRowTexts(*item.pContact) : EventRowTexts(*item.pEvent);
    texts << QString::fromStdString(item.deletedAt);
    if (item.kind == TrashKind::Calendar)
        texts << QString::fromUtf8(item.pEvent->szHelperTextA);
    return texts;
}

// Every record row of the list, in order.
QList<QTreeWidgetItem*> RecordRows(QTreeWidget* list)
{
    QList<QTreeWidgetItem*> rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* day = list->topLevelItem(i);
        for (int j = 0; j < day->childCount(); ++j)
            rows << day->child(j);
    }
    return rows;
}

} // namespace

QString TrashSizeText(uint64_t nItems, uint64_t nBytes)
{
    QString size;
    if (nBytes < 1024)
        size = QStringLiteral("%1 bytes").arg(nBytes);
    else if (nBytes < 1024 * 1024)
        size = QStringLiteral("%1 KB").arg(static_cast<double>(nBytes) / 1024, 0, 'f', 1);
    else
        size = QStringLiteral("%1 MB").arg(static_cast<double>(nBytes) / (1024 * 1024), 0, 'f', 1);
    return QStringLiteral("%1 %2, %3").arg(nItems).arg(nItems == 1 ? "item" : "items", size);
}

TfmQoTrash::TfmQoTrash(QWidget* owner, std::string tickSince)
    : QDialog(owner)
    , m_tickSince(std::move(tickSince))
{
    setObjectName(QStringLiteral("fmQoTrash"));
    setWindowTitle(QStringLiteral("Deleted items"));
    BuildControls();
    SetFixedCentred(*this, QSize(760, 560));
    TransferData(false);
}

void TfmQoTrash::BuildControls()
{
    lblHelp = new QLabel(QStringLiteral("Tick what to put back into the account. An item kept in a file with "
                                        "others comes back with the whole file."),
                         this);
    lblHelp->setObjectName(QStringLiteral("lblHelp"));
    lblHelp->setWordWrap(true);

    pTrash = new QTabWidget(this);
    pTrash->setObjectName(QStringLiteral("pTrash"));
    lvAddr = MakeReportList(pTrash, kAddrTrashList);
    lvDate = MakeReportList(pTrash, kDateTrashList);
    for (QTreeWidget* list : {lvAddr, lvDate}) {
        list->setRootIsDecorated(true);
        list->setToolTip(lblHelp->text());
    }
    pTrash->addTab(lvAddr, QStringLiteral("&Contacts"));
    pTrash->addTab(lvDate, QStringLiteral("C&alendar"));

    lblSize = new QLabel(this);
    lblSize->setObjectName(QStringLiteral("lblSize"));
    lblSize->setAccessibleName(QStringLiteral("Trash size"));
    lblError = new QLabel(this);
    lblError->setObjectName(QStringLiteral("lblError"));
    lblError->setAccessibleName(QStringLiteral("Why the trash could not be listed"));
    lblError->setWordWrap(true);
    lblError->setStyleSheet(QStringLiteral("color: #b00000;"));
    lblError->setVisible(false);

    seDays = new QSpinBox(this);
    seDays->setObjectName(QStringLiteral("seDays"));
    seDays->setAccessibleName(QStringLiteral("Days"));
    seDays->setRange(kTrashDaysMin, kTrashDaysMax);
    auto* daysLabel = new QLabel(QStringLiteral("Empty deletions &older than"), this);
    daysLabel->setObjectName(QStringLiteral("lblDays"));
    daysLabel->setBuddy(seDays);
    auto* daysUnit = new QLabel(QStringLiteral("days"), this);
    btnEmpty = MakeDialogButton(this, "btnEmpty", QStringLiteral("&Empty"));
    btnEmpty->setAccessibleName(QStringLiteral("Empty old deletions"));

    memLog = new QPlainTextEdit(this);
    memLog->setObjectName(QStringLiteral("memLog"));
    memLog->setAccessibleName(QStringLiteral("Restore log"));
    memLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A record of what happened; nobody may type over it.
    memLog->setReadOnly(true);
    auto* logLabel = new QLabel(QStringLiteral("&Log:"), this);
    logLabel->setBuddy(memLog);

    btnRestore = MakeDialogButton(this, "btnRestore", QStringLiteral("&Restore"));
    btnRestore->setAccessibleName(QStringLiteral("Restore the ticked items"));
    btnClose = MakeDialogButton(this, "btnClose", QStringLiteral("Close"));
    btnClose->setAccessibleName(QStringLiteral("Close"));

    auto* empty = new QHBoxLayout;
    empty->addWidget(daysLabel);
    empty->addWidget(seDays);
    empty->addWidget(daysUnit);
    empty->addWidget(btnEmpty);
    empty->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);
    layout->addWidget(lblHelp);
    layout->addWidget(pTrash, 3);
    layout->addWidget(lblError);
    layout->addWidget(lblSize);
    layout->addLayout(empty);
    layout->addWidget(logLabel);
    layout->addWidget(memLog, 2);
    layout->addLayout(ButtonRow({btnRestore, btnClose}));

    connect(btnRestore, &QPushButton::clicked, this, &TfmQoTrash::btnRestoreClick);
    connect(btnEmpty, &QPushButton::clicked, this, &TfmQoTrash::btnEmptyClick);
    connect(btnClose, &QPushButton::clicked, this, &TfmQoTrash::btnCloseClick);
    for (QTreeWidget* list : {lvAddr, lvDate})
        connect(list, &QTreeWidget::itemChanged, this, [this] { UpdateRestoreButton(); });
}

bool TfmQoTrash::TransferData(bool save)
{
    if (save) {
        AppSettings.TrashDays = seDays->value();
        return true;
    }
    seDays->setValue(AppSettings.TrashDays);
    ListTrash();
    // Later listings (after a restore or an emptying) start with nothing ticked.
    m_tickSince.clear();
    return true;
}

void TfmQoTrash::ListTrash()
{
    if (AccountText().isEmpty()) {
        m_items.Items().clear();
        FillLists();
        lblSize->setText(QString());
        lblError->setText(QString::fromUtf8(kNoAccountText));
        lblError->setVisible(true);
        btnEmpty->setEnabled(false);
        return;
    }
    // Every kept file is read again: a large trash takes a moment, which the wait window covers.
    ::StartWaitWindow(isVisible() ? static_cast<QWidget*>(this) : parentWidget());
    ::SetWaitText("Reading the deleted items in the account...");
    const bool bListed = m_items.List();
    ::StopWaitWindow();
    if (!m_tickSince.empty())
        m_items.ChooseDeletedSince(m_tickSince);
    FillLists();
    ShowSize(bListed);
    lblError->setText(QString::fromStdString(m_items.FailureText()));
    lblError->setVisible(!bListed);
    btnEmpty->setEnabled(true);
}

void TfmQoTrash::FillLists()
{
    m_bFilling = true;
    for (QTreeWidget* list : {lvAddr, lvDate}) {
        const TrashKind kind = list == lvAddr ? TrashKind::Contacts : TrashKind::Calendar;
        QList<QTreeWidgetItem*> days;
        std::string day;
        for (DeletedItem& item : m_items.Items()) {
            if (item.kind != kind)
                continue;
            // The items come newest first, so each day's items follow one another.
            if (days.isEmpty() || item.Day() != day) {
                day = item.Day();
                days << DayRow(day);
            }
            days.back()->addChild(MakeRecordRow(&item, ItemTexts(item), item.bChosen));
        }
        ReplaceRows(list, days);
        for (QTreeWidgetItem* dayRow : days)
            dayRow->setFirstColumnSpanned(true);
        list->expandAll();
    }
    m_bFilling = false;
    UpdateRestoreButton();
}

// A kind that could not be listed is not counted, and the label must not pass for the whole trash.
void TfmQoTrash::ShowSize(bool bWhole)
{
    const QString size = TrashSizeText(m_items.ItemCount(), m_items.TrashBytes());
    lblSize->setText(bWhole ? QStringLiteral("The trash holds %1.").arg(size)
                            : QStringLiteral("Of what could be listed, the trash holds %1.").arg(size));
}

void TfmQoTrash::UpdateRestoreButton()
{
    if (m_bFilling)
        return;
    bool bAny = false;
    for (QTreeWidget* list : {lvAddr, lvDate})
        for (QTreeWidgetItem* row : RecordRows(list))
            bAny = bAny || IsTicked(row);
    btnRestore->setEnabled(bAny);
}

void TfmQoTrash::TakeTicks()
{
    for (QTreeWidget* list : {lvAddr, lvDate})
        for (QTreeWidgetItem* row : RecordRows(list))
            if (auto* item = static_cast<DeletedItem*>(RowRecord(row)))
                item->bChosen = IsTicked(row);
}

void TfmQoTrash::btnRestoreClick()
{
    TakeTicks();
    if (!m_items.AnyChosen())
        return;
    memLog->clear();
    m_job.Begin();
    m_job.Run();
    ListTrash();
}

void TfmQoTrash::btnEmptyClick()
{
    TransferData(true);
    const int nDays = seDays->value();
    const QString question =
        QStringLiteral("Remove the contacts and events deleted %1 or more days ago from the trash for good? They "
                       "cannot be restored afterwards.")
            .arg(nDays);
    if (AppQuestionBox(this, question, QStringLiteral("Empty deletions")) != QMessageBox::Yes)
        return;
    ::StartWaitWindow(this);
    ::SetWaitText("Emptying old deletions from the trash...");
    const bool bEmptied = m_items.EmptyOlderThan(static_cast<uint32_t>(nDays));
    ::StopWaitWindow();
    const std::string failure = m_items.FailureText();
    ListTrash();
    // The listing after it says its own failures; an emptying that failed must not vanish behind a
    // listing that went through.
    if (!bEmptied) {
        const QString listed = lblError->isVisible() ? QLatin1Char('\n') + lblError->text() : QString();
        lblError->setText(QString::fromStdString(failure) + listed);
        lblError->setVisible(true);
    }
}

void TfmQoTrash::btnCloseClick()
{
    TransferData(true);
    accept();
}

void TfmQoTrash::LogLine(const char* szLine)
{
    memLog->appendPlainText(QString::fromUtf8(szLine));
}

void TfmQoTrash::Progress(int)
{
    // The dialog has no bar: the wait window shows the helper's own progress.
}

void TfmQoTrash::ShowWaitWindow()
{
    ::StartWaitWindow(this);
}

void TfmQoTrash::HideWaitWindow()
{
    ::StopWaitWindow();
}

void TfmQoTrash::SetWaitText(const char* szText)
{
    ::SetWaitText(szText);
}

void TfmQoTrash::SetWaitStatusFile(const char* szPath)
{
    ::SetWaitStatusFile(szPath);
}

// As the deletion page waits: the wait window paints while nothing else can be clicked.
void TfmQoTrash::Pause(int nMilliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!timer.hasExpired(nMilliseconds)) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(10);
    }
}

void OpenTrashDialog(QWidget* owner, const std::string& tickSince)
{
    // On the first page the account is the one typed there now, not one an earlier Next stored.
    TfmQoSource* source = fmMain && fmMain->CurrentPage() == 0 ? fmMain->SourcePage() : nullptr;
    if (source && !source->edtEmail->text().isEmpty())
        source->StoreAccount();
    if (AccountText().isEmpty()) {
        AppMessageBox(owner, QString::fromUtf8(kNoAccountText), QStringLiteral("Deleted items"));
        return;
    }
    TfmQoTrash dialog(owner, tickSince);
    ExecModalDialog(dialog);
}
