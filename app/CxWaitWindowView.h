// The wait window on screen: a small frameless top-level that paints the model's state.
#pragma once

#include "common/google/CxCommWaitWindow.h"

#include <QFont>
#include <QWidget>

#include <memory>

class CxWaitWindowView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kWidth = 480;
    static constexpr int kHeight = 150;
    static constexpr int kBorder = 1;

    // Centred on the primary screen; not shown yet.
    explicit CxWaitWindowView(std::shared_ptr<CxCommWaitWindow> window);

    // Schedules a repaint on the GUI thread; safe to call from any thread.
    void PostUpdate();

    const std::shared_ptr<CxCommWaitWindow>& Window() const { return m_pWindow; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::shared_ptr<CxCommWaitWindow> m_pWindow;
    QFont m_boldFont;
    QFont m_normalFont;
};

// Makes the wait windows show through CxWaitWindowView. The application object installs it and
// takes it back before it goes.
void InstallWaitWindowView();
