#include "app/SaveFileDialog.h"

#include <QFileDialog>

namespace {
std::function<SaveFileAnswer(const SaveFileRequest&)> g_handler;
}

SaveFileAnswer AskSaveFileName(QWidget* parent, const SaveFileRequest& request)
{
    if (g_handler)
        return g_handler(request);
    SaveFileAnswer answer;
    answer.filter = request.filters.value(0);
    answer.path = QFileDialog::getSaveFileName(parent, request.caption, request.proposed,
                                               request.filters.join(QStringLiteral(";;")), &answer.filter);
    return answer;
}

void SetSaveFileHandler(std::function<SaveFileAnswer(const SaveFileRequest&)> handler)
{
    g_handler = std::move(handler);
}
