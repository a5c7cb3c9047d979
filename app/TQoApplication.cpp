#include "app/TQoApplication.h"

#include "app/AppMessage.h"
#include "app/CxWaitWindowView.h"
#include "app/core/InstanceLock.h"
#include "common/platform/Platform.h"

#include <exception>

TQoApplication::TQoApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    // The title only; a display name would be appended to every window title.
    setApplicationName(QStringLiteral("Qosweep"));
    InstallWaitWindowView();
    // While a helper runs the wait window keeps painting; the other windows take no input meanwhile.
    platform::SetWaitPump([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
}

TQoApplication::~TQoApplication()
{
    // A wait window's thread would otherwise post repaints into an application that is gone. The
    // host goes first: the window it would reactivate may be destroyed already.
    SetWaitWindowHost(nullptr);
    StopWaitWindow();
    platform::SetWaitPump({});
}

bool TQoApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowException(QString());
    }
    return false;
}

void TQoApplication::ShowException(const QString& message)
{
    AppMessageBox(activeWindow(), message, applicationName(), QMessageBox::Critical);
}

bool TQoApplication::RefuseSecondStart()
{
    if (LockDataFolder() != InstanceLock::AlreadyRunning)
        return false;
    AppMessageBox(nullptr, QStringLiteral("Qosweep is already running."), applicationName(), QMessageBox::Information);
    return true;
}
