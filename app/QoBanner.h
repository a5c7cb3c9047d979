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

// The pieces of every banner, the main window's too: a white panel, the logo of the given size and
// the title "Qosweep" (Verdana, 21 pixels, bold, blue).
void SetWhiteBackground(QWidget& panel);
TClickLabel* MakeLogoLabel(QWidget* parent, int size);
TClickLabel* MakeTitleLabel(QWidget* parent, const char* name);

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
