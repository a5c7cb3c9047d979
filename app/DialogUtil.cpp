#include "app/DialogUtil.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

void CentreOnScreen(QWidget& window)
{
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (screen)
        window.move(screen->availableGeometry().center() - window.rect().center());
}

void SetFixedCentred(QWidget& window, QSize client)
{
    window.setFixedSize(client);
    CentreOnScreen(window);
}

QPushButton* MakeDialogButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    // Room around the caption: the style's own hint leaves long captions touching the frame.
    button->setMinimumWidth(qMax(90, button->sizeHint().width() + 16));
    button->setAutoDefault(false);
    return button;
}

QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* button : buttons)
        row->addWidget(button);
    return row;
}
