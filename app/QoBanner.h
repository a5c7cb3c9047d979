// The white banner with the product logo and title that heads the dialogs.
#pragma once

#include <QLabel>
#include <QWidget>

// A label that reports a click with the left button.
class TClickLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The title's font: Verdana, 21 pixels, bold.
QFont QoTitleFont();

class QoBanner : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kHeight = 72;

    // linked: logo and title show a hand cursor and report clicks through clicked().
    QoBanner(QWidget* parent, bool linked);

    TClickLabel* imgLogo = nullptr;
    TClickLabel* lblTitle = nullptr;

signals:
    void clicked();
};
