#include "app/QoBanner.h"

#include "app/QoLogo.h"

#include <QHBoxLayout>
#include <QMouseEvent>

void TClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void SetWhiteBackground(QWidget& panel)
{
    panel.setAutoFillBackground(true);
    QPalette white = panel.palette();
    white.setColor(QPalette::Window, Qt::white);
    panel.setPalette(white);
}

TClickLabel* MakeLogoLabel(QWidget* parent, int size)
{
    auto* logo = new TClickLabel(parent);
    logo->setObjectName(QStringLiteral("imgLogo"));
    logo->setPixmap(MakeQoLogo(size));
    logo->setAccessibleName(QStringLiteral("Qosweep logo"));
    return logo;
}

TClickLabel* MakeTitleLabel(QWidget* parent, const char* name)
{
    auto* title = new TClickLabel(QStringLiteral("Qosweep"), parent);
    title->setObjectName(QLatin1String(name));
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(21);
    font.setBold(true);
    title->setFont(font);
    title->setStyleSheet(QStringLiteral("color: blue;"));
    return title;
}

QoBanner::QoBanner(QWidget* parent, bool linked)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pTop"));
    setFixedHeight(kHeight);
    SetWhiteBackground(*this);
    imgLogo = MakeLogoLabel(this, kHeight - 16);
    lblTitle = MakeTitleLabel(this, "lblTitle");

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 8, 16, 8);
    layout->setSpacing(16);
    layout->addWidget(imgLogo);
    layout->addWidget(lblTitle, 1);

    if (linked) {
        for (TClickLabel* label : {imgLogo, lblTitle}) {
            label->setCursor(Qt::PointingHandCursor);
            label->setToolTip(QString::fromLatin1("Visit the Qosweep web site"));
            connect(label, &TClickLabel::clicked, this, &QoBanner::clicked);
        }
    }
}
