#include "app/AppMessage.h"

#include "common/google/CxCommWaitWindow.h"

namespace {
std::function<void(const AppMessageRecord&)> g_handler;
}

void AppMessageBox(QWidget* parent, const QString& text, const QString& title, QMessageBox::Icon icon)
{
    if (g_handler) {
        g_handler({title, text, icon});
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    // A box shown while the wait window is up (a failed load) would open beneath that stay-on-top
    // window and could not be seen or answered: it has to stay on top as well.
    if (GetCurrentWaitWindow())
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

void SetAppMessageHandler(std::function<void(const AppMessageRecord&)> handler)
{
    g_handler = std::move(handler);
}
