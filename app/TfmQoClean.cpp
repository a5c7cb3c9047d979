#include "app/TfmQoClean.h"

#include "app/QoBanner.h"
#include "app/TfmDump.h"
#include "app/TfmMain.h"
#include "app/TfmQoTrash.h"
#include "common/google/CxCommWaitWindow.h"
#include "common/misc/CxDebugUtil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

namespace {

constexpr int kStartDelayMs = 1000;

} // namespace

// The job, handing each contact record to the page's seam.
class TfmQoClean::PageDeletion : public Deletion
{
public:
    explicit PageDeletion(TfmQoClean& page)
        : Deletion(page)
        , m_page(page)
    {}

    void DeleteContactItem(GAddrRecord* pRecord) override { m_page.DeleteContactItem(pRecord); }

private:
    TfmQoClean& m_page;
};

TfmQoClean::TfmQoClean(QWidget* parent)
    : QWidget(parent)
    , m_pDeletion(std::make_unique<PageDeletion>(*this))
    , m_nDeletedContacts(m_pDeletion->m_nDeletedContacts)
    , m_nDeletedEvents(m_pDeletion->m_nDeletedEvents)
    , m_nDeletedTasks(m_pDeletion->m_nDeletedTasks)
    , m_nDeletedNotes(m_pDeletion->m_nDeletedNotes)
    , m_nTotal(m_pDeletion->m_nTotal)
    , m_nProcessed(m_pDeletion->m_nProcessed)
{
    setObjectName(QStringLiteral("fmQoClean"));
    setWindowFlags(Qt::Widget | Qt::FramelessWindowHint);

    memLog = new QPlainTextEdit(this);
    memLog->setObjectName(QStringLiteral("memLog"));
    memLog->setAccessibleName(QStringLiteral("Deletion log"));
    memLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    memLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The log is a record of what happened; nobody may type over it.
    memLog->setReadOnly(true);

    pbDel = new QProgressBar(this);
    pbDel->setObjectName(QStringLiteral("pbDel"));
    pbDel->setAccessibleName(QStringLiteral("Deletion progress"));
    pbDel->setRange(0, 100);
    pbDel->setValue(0);

    lblBack = new TClickLabel(QStringLiteral("Back to First Step"), this);
    lblBack->setObjectName(QStringLiteral("lblBack"));
    lblBack->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    lblBack->setCursor(Qt::PointingHandCursor);

    lblUndo = new TClickLabel(QStringLiteral("Undo this deletion"), this);
    lblUndo->setObjectName(QStringLiteral("lblUndo"));
    lblUndo->setAccessibleName(QStringLiteral("Undo this deletion"));
    lblUndo->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    lblUndo->setCursor(Qt::PointingHandCursor);
    lblUndo->setVisible(false);

    tmStart = new QTimer(this);
    tmStart->setObjectName(QStringLiteral("tmStart"));
    tmStart->setSingleShot(true);
    tmStart->setInterval(kStartDelayMs);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 20, 40, 20);
    layout->setSpacing(12);
    layout->addWidget(memLog, 1);
    layout->addWidget(pbDel);
    auto* links = new QHBoxLayout;
    links->addWidget(lblBack);
    links->addStretch();
    links->addWidget(lblUndo);
    layout->addLayout(links);

    connect(tmStart, &QTimer::timeout, this, &TfmQoClean::tmStartTimer);
    connect(lblBack, &TClickLabel::clicked, this, &TfmQoClean::lblBackClick);
    connect(lblUndo, &TClickLabel::clicked, this, &TfmQoClean::lblUndoClick);
}

TfmQoClean::~TfmQoClean() = default;

bool TfmQoClean::TransferData(bool save)
{
    if (save)
        return true;
    memLog->clear();
    // Nothing of this visit has been deleted yet.
    lblUndo->setVisible(false);
    m_pDeletion->Begin();
    tmStart->start();
    // The keyboard scrolls the log rather than resting on a button of the hidden review page.
    memLog->setFocus();
    return true;
}

void TfmQoClean::tmStartTimer()
{
    tmStart->stop();
    try {
        m_pDeletion->Run();
        lblUndo->setVisible(m_pDeletion->m_nConfirmedDeleted > 0);
        return;
    } catch (const std::exception& e) {
        g_debugLog.Print(0, __FILE__, __LINE__, "Unhandled exception while deleting: %s", e.what());
    } catch (...) {
        g_debugLog.Print(0, __FILE__, __LINE__, "Unhandled exception while deleting.");
    }
    // What was logged so far stays; the summary would claim a finished deletion.
    ::StopWaitWindow();
    ShowExceptionDialog();
}

void TfmQoClean::lblBackClick()
{
    // Within the first second the deletion has not started yet: going back must call it off, or it
    // would delete behind the account page the user went back to.
    tmStart->stop();
    if (fmMain)
        fmMain->GoToPage(0);
}

void TfmQoClean::lblUndoClick()
{
    OpenTrashDialog(this, m_pDeletion->m_startedAt);
}

void TfmQoClean::DeleteContactItem(GAddrRecord* pRecord)
{
    m_pDeletion->Deletion::DeleteContactItem(pRecord);
}

void TfmQoClean::LogLine(const char* szLine)
{
    memLog->appendPlainText(QString::fromUtf8(szLine));
}

void TfmQoClean::Progress(int nPercent)
{
    pbDel->setValue(nPercent);
}

void TfmQoClean::ShowWaitWindow()
{
    ::StartWaitWindow(fmMain);
}

void TfmQoClean::HideWaitWindow()
{
    ::StopWaitWindow();
}

void TfmQoClean::SetWaitText(const char* szText)
{
    ::SetWaitText(szText);
}

void TfmQoClean::SetWaitStatusFile(const char* szPath)
{
    ::SetWaitStatusFile(szPath);
}

// Waits without taking user input, so the wait window (which paints through this thread) stays
// drawn while nothing else on screen can be clicked.
void TfmQoClean::Pause(int nMilliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!timer.hasExpired(nMilliseconds)) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(10);
    }
}
