// Shows each window of the wizard in turn on a real display and saves a picture of the whole screen,
// so the look can be checked by eye. Run it through scripts/screenshots, which gives it a virtual
// display and a data folder of its own.
#include "app/TQoApplication.h"
#include "app/TfmDebug.h"
#include "app/TfmDump.h"
#include "app/TfmDupOption.h"
#include "app/TfmMain.h"
#include "app/TfmQoSource.h"
#include "common/google/CxCommWaitWindow.h"
#include "common/google/CxGAppBaseUtil.h"

#include <QDir>
#include <QLineEdit>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

bool SaveScreen(const QString& folder, const char* name)
{
    QTest::qWait(400); // let the windows map and paint
    const QString path = QDir(folder).filePath(QLatin1String(name));
    const bool saved = QGuiApplication::primaryScreen()->grabWindow(0).save(path);
    std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(path));
    return saved;
}

bool ShowAndSave(QWidget& window, const QString& folder, const char* name)
{
    window.show();
    window.raise();
    const bool saved = SaveScreen(folder, name);
    window.hide();
    return saved;
}

} // namespace

int main(int argc, char** argv)
{
    TQoApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    bool ok = true;

    TfmMain main;
    main.SourcePage()->edtEmail->setText(QStringLiteral("demo@example.com"));
    main.SourcePage()->edtPassword->setText(QStringLiteral("demo"));
    main.show();
    ok = SaveScreen(folder, "account-page.png") && ok;

    StartWaitWindow(main.SourcePage());
    SetWaitText("Loading Google Contacts...");
    ok = SaveScreen(folder, "wait-window.png") && ok;
    StopWaitWindow();

    // A load that fails at once (no helper programs where it looks), to see the message over the
    // wait window.
    QTemporaryDir noHelpers;
    SetHelperProgramFolder((noHelpers.path() + QLatin1Char('/')).toUtf8().constData());
    QTimer::singleShot(1500, [&] {
        ok = SaveScreen(folder, "load-failed.png") && ok;
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
    main.SourcePage()->TransferData(true);
    SetHelperProgramFolder("");

    TfmDupOption rules(main.SourcePage());
    rules.TransferData(false);
    ok = ShowAndSave(rules, folder, "rule-dialog.png") && ok;
    rules.pMain->setCurrentIndex(1);
    ok = ShowAndSave(rules, folder, "rule-dialog-calendar.png") && ok;
    TfmDebug debug(&main);
    ok = ShowAndSave(debug, folder, "debug-options.png") && ok;
    TfmDump dump(&main);
    ok = ShowAndSave(dump, folder, "apology.png") && ok;
    return ok ? 0 : 1;
}
