#include "app/ModalDialog.h"

#include <QDialog>

namespace {
std::function<int(QDialog&)> g_handler;
}

int ExecModalDialog(QDialog& dialog)
{
    if (g_handler)
        return g_handler(dialog);
    return dialog.exec();
}

void SetModalDialogHandler(std::function<int(QDialog&)> handler)
{
    g_handler = std::move(handler);
}
