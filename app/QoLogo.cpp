#include "app/QoLogo.h"

#include <QPainter>
#include <QPainterPath>

QPixmap MakeQoLogo(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    // Two overlapping cards (the duplicates) ...
    p.setPen(QPen(QColor(0, 80, 140), s / 40));
    p.setBrush(QColor(220, 236, 250));
    p.drawRoundedRect(QRectF(s * 0.10, s * 0.10, s * 0.50, s * 0.62), s * 0.06, s * 0.06);
    p.setBrush(QColor(0, 128, 192));
    p.drawRoundedRect(QRectF(s * 0.30, s * 0.26, s * 0.50, s * 0.62), s * 0.06, s * 0.06);

    // ... and the sweep that clears one of them.
    QPainterPath sweep;
    sweep.moveTo(s * 0.38, s * 0.58);
    sweep.lineTo(s * 0.50, s * 0.72);
    sweep.lineTo(s * 0.72, s * 0.42);
    p.setPen(QPen(Qt::white, s / 12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(sweep);
    return pixmap;
}
