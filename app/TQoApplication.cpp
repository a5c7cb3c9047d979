#include "app/TQoApplication.h"

#include "app/AppMessage.h"

#include <exception>

TQoApplication::TQoApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    // The title only; a display name would be appended to every window title.
    setApplicationName(QStringLiteral("Qosweep"));
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
