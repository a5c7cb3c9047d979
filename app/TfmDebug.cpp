#include "app/TfmDebug.h"

#include "app/DebugInfoGroup.h"
#include "app/DialogUtil.h"
#include "app/ProductInfo.h"
#include "app/QoBanner.h"
#include "app/TfmQoTrash.h"
#include "app/core/AppSettings.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/WinUtil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <iterator>

namespace {

// The list offers three of the log's four levels. Progress is logged at level 2, so levels 2 and 3
// write the same lines: the most detailed item stores 3 and stands for any level it does not list.
struct LevelItem
{
    const char* text;
    int32_t level;
};

const LevelItem kLevelItems[] = {
    {"Critical - Only log critical error information.", 0},
    {"High - Log high level debug information.", 1},
    {"Low - Log very detail debug information.", 3},
};
constexpr int kLastItem = static_cast<int>(std::size(kLevelItems)) - 1;

int ItemForLevel(int32_t level)
{
    for (int i = 0; i < kLastItem; ++i)
        if (kLevelItems[i].level == level)
            return i;
    return kLastItem;
}

int32_t LevelForItem(int item)
{
    return item >= 0 && item < kLastItem ? kLevelItems[item].level : kLevelItems[kLastItem].level;
}

} // namespace

TfmDebug::TfmDebug(QWidget* owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("fmDebug"));
    setWindowTitle(QStringLiteral("Qosweep Debug Log Options"));
    BuildControls();
    SetFixedCentred(*this, QSize(567, 393));
    FormCreate();
}

void TfmDebug::BuildControls()
{
    auto* banner = new QoBanner(this, true);
    connect(banner, &QoBanner::clicked, this, &TfmDebug::imgLogoClick);

    cbEnable = new QCheckBox(QStringLiteral("Enable Debug Log"), this);
    cbEnable->setObjectName(QStringLiteral("cbEnable"));
    cbxLevel = new QComboBox(this);
    cbxLevel->setObjectName(QStringLiteral("cbxLevel"));
    cbxLevel->setEditable(false);
    auto* levelLabel = new QLabel(QStringLiteral("Set Debug Level:"), this);
    levelLabel->setBuddy(cbxLevel);
    gbDebug = new DebugInfoGroup(this, QString());
    btnTrash = MakeDialogButton(this, "btnTrash", QStringLiteral("&Deleted items..."));
    btnTrash->setAccessibleName(QStringLiteral("Deleted items"));
    btnOK = MakeDialogButton(this, "btnOK", QStringLiteral("&OK"));
    btnCancel = MakeDialogButton(this, "btnCancel", QStringLiteral("&Cancel"));
    btnOK->setDefault(true);

    auto* level = new QHBoxLayout;
    level->addWidget(levelLabel);
    level->addWidget(cbxLevel, 1);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(20, 16, 20, 16);
    body->setSpacing(12);
    body->addWidget(cbEnable);
    body->addLayout(level);
    body->addWidget(gbDebug);
    body->addStretch();
    auto* trash = new QHBoxLayout;
    trash->addWidget(btnTrash);
    trash->addStretch();
    body->addLayout(trash);
    body->addLayout(ButtonRow({btnOK, btnCancel}));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(banner);
    layout->addLayout(body, 1);

    connect(btnOK, &QPushButton::clicked, this, &TfmDebug::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnTrash, &QPushButton::clicked, this, &TfmDebug::btnTrashClick);
}

void TfmDebug::FormCreate()
{
    TransferData(false);
}

bool TfmDebug::TransferData(bool save)
{
    if (!save) {
        gbDebug->ShowLogPlace();
        cbEnable->setChecked(AppSettings.EnableDebug);
        cbxLevel->clear();
        for (const LevelItem& item : kLevelItems)
            cbxLevel->addItem(QString::fromLatin1(item.text));
        cbxLevel->setCurrentIndex(ItemForLevel(AppSettings.LogLevel));
        return true;
    }
    AppSettings.EnableDebug = cbEnable->isChecked();
    AppSettings.LogLevel = LevelForItem(cbxLevel->currentIndex());
    g_debugLog.SetDebugEnabled(AppSettings.EnableDebug);
    g_debugLog.SetLogLevel(AppSettings.LogLevel);
    return true;
}

void TfmDebug::btnOKClick()
{
    if (TransferData(true))
        accept();
}

void TfmDebug::btnFolderClick()
{
    gbDebug->btnFolderClick();
}

void TfmDebug::btnFileClick()
{
    gbDebug->btnFileClick();
}

void TfmDebug::btnTrashClick()
{
    OpenTrashDialog(this);
}

void TfmDebug::imgLogoClick()
{
    OpenWithShell(kProductWebPage);
}
