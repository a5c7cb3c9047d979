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

QFont QoTitleFont()
{
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(21);
    font.setBold(true);
    return font;
}

QoBanner::QoBanner(QWidget* parent, bool linked)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pTop"));
    setFixedHeight(kHeight);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    imgLogo = new TClickLabel(this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setPixmap(MakeQoLogo(kHeight - 16));
    imgLogo->setAccessibleName(QStringLiteral("Qosweep logo"));

    lblTitle = new TClickLabel(QStringLiteral("Qosweep"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setFont(QoTitleFont());
    lblTitle->setStyleSheet(QStringLiteral("color: blue;"));

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
