#include "app/TfmMain.h"

#include "app/DialogUtil.h"
#include "app/ModalDialog.h"
#include "app/QoBanner.h"
#include "app/TfmDebug.h"
#include "app/TfmQoClean.h"
#include "app/TfmQoData.h"
#include "app/TfmQoSource.h"
#include "app/core/AppSettings.h"
#include "app/core/NotDuplicates.h"
#include "app/core/ServiceSet.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/TextBuf.h"
#include "common/misc/WinUtil.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

TfmMain* fmMain = nullptr;

namespace {

constexpr int kPageCount = 3;

const char* const kStepTexts[kPageCount] = {
    "Please select enter your Google login information",
    "Please select the duplicate items that you want to delete.",
    "Deleting duplicate items now.",
};

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setFixedHeight(28);
    button->setMinimumWidth(100);
    return button;
}

} // namespace

TfmMain::TfmMain(QWidget* parent)
    : QWidget(parent)
{
    fmMain = this;
    setObjectName(QStringLiteral("fmMain"));
    setWindowTitle(QStringLiteral("Qosweep - Remove Duplicates in Google Contacts & Google Calendar"));
    setFixedSize(794, 594);
    CentreOnScreen(*this);
    BuildControls();
    FormCreate();
}

TfmMain::~TfmMain()
{
    FormDestroy();
    if (fmMain == this)
        fmMain = nullptr;
}

void TfmMain::BuildControls()
{
    pTop = new QWidget(this);
    pTop->setObjectName(QStringLiteral("pTop"));
    pTop->setFixedHeight(113);
    SetWhiteBackground(*pTop);
    imgLogo = MakeLogoLabel(pTop, 80);
    Label1 = MakeTitleLabel(pTop, "Label1");

    lblStep = new QLabel(QStringLiteral("Description of this step"), pTop);
    lblStep->setObjectName(QStringLiteral("lblStep"));
    lblStep->setWordWrap(true);

    auto* titles = new QVBoxLayout;
    titles->addStretch();
    titles->addWidget(Label1);
    titles->addWidget(lblStep);
    titles->addStretch();
    auto* topLayout = new QHBoxLayout(pTop);
    topLayout->setContentsMargins(16, 8, 16, 8);
    topLayout->setSpacing(16);
    topLayout->addWidget(imgLogo);
    topLayout->addLayout(titles, 1);

    pClient = new QWidget(this);
    pClient->setObjectName(QStringLiteral("pClient"));

    pBottom = new QWidget(this);
    pBottom->setObjectName(QStringLiteral("pBottom"));
    pBottom->setFixedHeight(54);
    btnHelp = MakeButton(pBottom, "btnHelp", QStringLiteral("&Help"));
    btnDebug = MakeButton(pBottom, "btnDebug", QStringLiteral("&Troubleshooting"));
    btnPrev = MakeButton(pBottom, "btnPrev", QStringLiteral("<  &Prev"));
    btnNext = MakeButton(pBottom, "btnNext", QStringLiteral("&Next  >"));
    btnCancel = MakeButton(pBottom, "btnCancel", QStringLiteral("&Close"));
    auto* bottomLayout = new QHBoxLayout(pBottom);
    bottomLayout->setContentsMargins(12, 0, 12, 0);
    bottomLayout->addWidget(btnHelp);
    bottomLayout->addWidget(btnDebug);
    bottomLayout->addStretch();
    bottomLayout->addWidget(btnPrev);
    bottomLayout->addWidget(btnNext);
    bottomLayout->addSpacing(12);
    bottomLayout->addWidget(btnCancel);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pTop);
    layout->addWidget(rule);
    layout->addWidget(pClient, 1);
    layout->addWidget(pBottom);

    connect(btnHelp, &QPushButton::clicked, this, &TfmMain::btnHelpClick);
    connect(btnDebug, &QPushButton::clicked, this, &TfmMain::btnDebugClick);
    connect(btnPrev, &QPushButton::clicked, this, &TfmMain::btnPrevClick);
    connect(btnNext, &QPushButton::clicked, this, &TfmMain::btnNextClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfmMain::btnCancelClick);
}

void TfmMain::FormCreate()
{
    char dataFolder[MAX_PATH] = "";
    if (GetDataFolder(dataFolder)) {
        char settingsPath[MAX_PATH];
        FormatText(settingsPath, "%stessavo.ini", dataFolder);
        g_settingsFile.SetFilePath(settingsPath);
    } else {
        // Without a data folder the settings stay beside the program; keep the log with them.
        GetProgramFolder(nullptr, dataFolder, sizeof dataFolder);
    }
    LoadSettings();
    g_debugLog.SetFolder(dataFolder);
    g_debugLog.SetDebugEnabled(AppSettings.EnableDebug);
    g_debugLog.SetLogLevel(AppSettings.LogLevel);
    // The pairs kept apart live beside the settings. A file that cannot be read leaves the list
    // empty: the scans then offer those pairs again, which the user can undo, so the start goes on.
    const std::string pairsPath = std::string(dataFolder) + kNotDuplicatesFile;
    if (!g_notDuplicates.Load(pairsPath))
        g_debugLog.Print(0, __FILE__, __LINE__, "Could not read the pairs kept apart from %s: %s", pairsPath.c_str(),
                         platform::LastErrorText().c_str());

    // The pages share pClient; ShowPage makes one of them visible.
    auto* stack = new QStackedLayout(pClient);
    stack->setStackingMode(QStackedLayout::StackAll);
    m_fmSource = new TfmQoSource(pClient);
    m_fmData = new TfmQoData(pClient);
    m_fmClean = new TfmQoClean(pClient);
    stack->addWidget(m_fmSource);
    stack->addWidget(m_fmData);
    stack->addWidget(m_fmClean);

    m_nCurPage = 0;
    GoToPage(0);
}

void TfmMain::FormDestroy()
{
    SaveSettings();
    FreeServices();
    delete m_fmSource;
    m_fmSource = nullptr;
    delete m_fmData;
    m_fmData = nullptr;
    delete m_fmClean;
    m_fmClean = nullptr;
}

bool TfmMain::LoadServices()
{
    return ::LoadServices();
}

void TfmMain::FreeServices()
{
    ::FreeServices();
}

void TfmMain::GoToPage(int page)
{
    page = std::clamp(page, 0, kPageCount - 1);
    if (page == 0) {
        m_fmSource->TransferData(false);
    } else if (page == 1) {
        if (m_nCurPage < 1) {
            if (!m_fmSource->TransferData(true))
                return;
            m_fmData->TransferData(false);
        }
    } else {
        if (!m_fmData->TransferData(true))
            return;
        m_fmClean->TransferData(false);
    }
    m_nCurPage = page;
    ShowPage();
}

void TfmMain::ShowPage()
{
    btnPrev->setEnabled(m_nCurPage == 1);
    btnNext->setEnabled(m_nCurPage < 2);
    btnCancel->setText(m_nCurPage == 2 ? QStringLiteral("&Finish") : QStringLiteral("&Cancel"));
    QWidget* pages[kPageCount] = {m_fmSource, m_fmData, m_fmClean};
    for (int i = 0; i < kPageCount; ++i)
        pages[i]->setVisible(i == m_nCurPage);
    lblStep->setText(QLatin1String(kStepTexts[m_nCurPage]));
}

void TfmMain::SetStepText(const QString& text)
{
    lblStep->setText(text);
}

void TfmMain::btnHelpClick()
{
    char path[MAX_PATH] = "";
    GetProgramFolder(nullptr, path, sizeof path);
    char helpFile[MAX_PATH];
    FormatText(helpFile, "%sQosweep.chm", path);
    OpenWithShell(helpFile);
}

void TfmMain::btnDebugClick()
{
    TfmDebug dialog(this);
    ExecModalDialog(dialog);
}

void TfmMain::btnPrevClick()
{
    GoToPage(m_nCurPage - 1);
}

void TfmMain::btnNextClick()
{
    GoToPage(m_nCurPage + 1);
}

void TfmMain::btnCancelClick()
{
    close();
}
