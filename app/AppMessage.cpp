#include "app/AppMessage.h"

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
    box.exec();
}

void SetAppMessageHandler(std::function<void(const AppMessageRecord&)> handler)
{
    g_handler = std::move(handler);
}
