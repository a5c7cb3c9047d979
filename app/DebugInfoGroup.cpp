#include "app/DebugInfoGroup.h"

#include "app/AppMessage.h"
#include "app/core/AppSettings.h"
#include "common/misc/TextBuf.h"
#include "common/misc/WinUtil.h"
#include "common/platform/Platform.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLineEdit* MakePathBox(QWidget* parent, const char* name)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    QPalette green = box->palette();
    green.setColor(QPalette::Base, QColor(0xC0, 0xDC, 0xC0));
    box->setPalette(green);
    return box;
}

QPushButton* MakeBrowseButton(QWidget* parent, const char* name, const QString& accessibleName)
{
    auto* button = new QPushButton(QStringLiteral("..."), parent);
    button->setObjectName(QLatin1String(name));
    button->setFixedWidth(32);
    button->setAccessibleName(accessibleName);
    return button;
}

} // namespace

DebugInfoGroup::DebugInfoGroup(QWidget* parent, const QString& note)
    : QGroupBox(QStringLiteral(" Debug Information "), parent)
{
    setObjectName(QStringLiteral("gbDebug"));
    edtFolder = MakePathBox(this, "edtFolder");
    btnFolder = MakeBrowseButton(this, "btnFolder", QStringLiteral("Open log folder"));
    edtFile = MakePathBox(this, "edtFile");
    btnFile = MakeBrowseButton(this, "btnFile", QStringLiteral("Open log file"));
    auto* folderLabel = new QLabel(QStringLiteral("Log Folder:"), this);
    folderLabel->setBuddy(edtFolder);
    auto* fileLabel = new QLabel(QStringLiteral("Log File:"), this);
    fileLabel->setBuddy(edtFile);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(12, 12, 12, 12);
    int row = 0;
    if (!note.isEmpty()) {
        auto* noteLabel = new QLabel(note, this);
        noteLabel->setObjectName(QStringLiteral("lblNote"));
        noteLabel->setWordWrap(true);
        grid->addWidget(noteLabel, row++, 0, 1, 3);
    }
    grid->addWidget(folderLabel, row, 0);
    grid->addWidget(edtFolder, row, 1);
    grid->addWidget(btnFolder, row++, 2);
    grid->addWidget(fileLabel, row, 0);
    grid->addWidget(edtFile, row, 1);
    grid->addWidget(btnFile, row, 2);
    grid->setColumnStretch(1, 1);

    connect(btnFolder, &QPushButton::clicked, this, &DebugInfoGroup::btnFolderClick);
    connect(btnFile, &QPushButton::clicked, this, &DebugInfoGroup::btnFileClick);
}

void DebugInfoGroup::ShowLogPlace()
{
    char folder[MAX_PATH] = "";
    if (!GetDataFolder(folder)) {
        btnFolder->setEnabled(false);
        btnFile->setEnabled(false);
        return;
    }
    char file[MAX_PATH];
    FormatText(file, "%sappdebug.log", folder);
    edtFolder->setText(QString::fromUtf8(folder));
    edtFile->setText(QString::fromUtf8(file));
}

void DebugInfoGroup::btnFolderClick()
{
    OpenWithShell(edtFolder->text().toUtf8().constData());
}

void DebugInfoGroup::btnFileClick()
{
    const QByteArray path = edtFile->text().toUtf8();
    if (!platform::FileExists(path.constData())) {
        AppMessageBox(window(), QStringLiteral("Debug log file doesn't exist"));
        return;
    }
    OpenWithShell(path.constData());
}
