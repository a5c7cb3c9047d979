#include "app/AppMessage.h"

#include "common/google/CxCommWaitWindow.h"

#include <optional>

namespace {

std::function<void(const AppMessageRecord&)> g_handler;
std::optional<QMessageBox::StandardButton> g_nextAnswer;

QMessageBox::StandardButton ShowBox(QWidget* parent, const AppMessageRecord& r)
{
    if (g_handler) {
        g_handler(r);
        const QMessageBox::StandardButton answer = g_nextAnswer.value_or(r.defaultButton);
        g_nextAnswer.reset();
        return answer == QMessageBox::NoButton ? QMessageBox::Ok : answer;
    }
    QMessageBox box(r.icon, r.title, r.text, r.buttons, parent);
    if (r.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(r.defaultButton);
    // A box shown while the wait window is up (a failed load) would open beneath that stay-on-top
    // window and could not be seen or answered: it has to stay on top as well.
    if (GetCurrentWaitWindow())
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

void AppMessageBox(QWidget* parent, const QString& text, const QString& title, QMessageBox::Icon icon)
{
    ShowBox(parent, {title, text, icon, QMessageBox::Ok, QMessageBox::NoButton});
}

QMessageBox::StandardButton AppQuestionBox(QWidget* parent, const QString& text, const QString& title,
                                           QMessageBox::StandardButton defaultButton)
{
    const QMessageBox::StandardButton answer =
        ShowBox(parent, {title, text, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, defaultButton});
    return answer == QMessageBox::Yes ? QMessageBox::Yes : QMessageBox::No;
}

void SetAppMessageHandler(std::function<void(const AppMessageRecord&)> handler)
{
    g_handler = std::move(handler);
    g_nextAnswer.reset();
}

void SetNextAppAnswer(QMessageBox::StandardButton answer)
{
    g_nextAnswer = answer;
}
