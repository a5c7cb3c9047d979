#include "app/CxWaitWindowView.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScreen>

namespace {

const QColor kBlockColour(0, 128, 192);

class QtWaitPainter : public CxWaitPainter
{
public:
    QtWaitPainter(QPainter& painter, const QFont& bold, const QFont& normal)
        : m_painter(painter)
        , m_bold(bold)
        , m_normal(normal)
    {}

    void FillBackground(int width, int height) override
    {
        m_width = width;
        m_painter.fillRect(0, 0, width, height, Qt::white);
    }
    void DrawTextLine(const char* text, bool bold, int left, int top, int bottom) override
    {
        m_painter.setFont(bold ? m_bold : m_normal);
        m_painter.setPen(Qt::black);
        QRect band(left, top, qMax(0, m_width - left), bottom - top);
        m_painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, QString::fromUtf8(text));
    }
    void FillBlock(int left, int top, int width, int height) override
    {
        m_painter.fillRect(left, top, width, height, kBlockColour);
    }

private:
    QPainter& m_painter;
    const QFont& m_bold;
    const QFont& m_normal;
    int m_width = 0;
};

QFont WaitFont(int weight)
{
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(11);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}

// The model's handle on the widget. The widget goes with deleteLater, after the model's thread
// has been joined, so Invalidate never meets a deleted widget.
class QtWaitView : public CxWaitView
{
public:
    explicit QtWaitView(CxWaitWindowView* widget)
        : m_pWidget(widget)
        , m_guard(widget)
    {}
    ~QtWaitView() override
    {
        if (m_guard) {
            m_guard->close();
            m_guard->deleteLater();
        }
    }
    void Invalidate() override { m_pWidget->PostUpdate(); }

private:
    CxWaitWindowView* const m_pWidget;
    QPointer<CxWaitWindowView> m_guard;
};

class QtWaitWindowHost : public CxWaitWindowHost
{
public:
    std::unique_ptr<CxWaitView> CreateView(std::shared_ptr<CxCommWaitWindow> window) override
    {
        auto* widget = new CxWaitWindowView(std::move(window));
        widget->show();
        return std::make_unique<QtWaitView>(widget);
    }
    void Reactivate(void* window) override
    {
        if (auto* widget = static_cast<QWidget*>(window)) {
            widget->raise();
            widget->activateWindow();
        }
    }
};

} // namespace

CxWaitWindowView::CxWaitWindowView(std::shared_ptr<CxCommWaitWindow> window)
    // Not a popup: that would grab keyboard and mouse and block a message box shown meanwhile.
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_pWindow(std::move(window))
    , m_boldFont(WaitFont(700))
    , m_normalFont(WaitFont(400))
{
    setObjectName(QStringLiteral("CommWaitWindow"));
    setAccessibleName(QStringLiteral("Please wait"));
    // Keyboard focus stays with the window behind; this one only shows progress.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(kWidth, kHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect desktop = screen->geometry();
        move(desktop.left() + (desktop.width() - kWidth) / 2, desktop.top() + (desktop.height() - kHeight) / 2);
    }
}

void CxWaitWindowView::PostUpdate()
{
    QMetaObject::invokeMethod(
        this, [this] { update(); }, Qt::QueuedConnection);
}

void CxWaitWindowView::paintEvent(QPaintEvent*)
{
    // Drawn off-screen and put on screen in one go, so the tick never shows half a frame.
    const qreal ratio = devicePixelRatioF();
    QPixmap frame(size() * ratio);
    frame.setDevicePixelRatio(ratio);
    {
        QPainter painter(&frame);
        painter.fillRect(rect(), Qt::black);
        painter.translate(kBorder, kBorder);
        QtWaitPainter waitPainter(painter, m_boldFont, m_normalFont);
        m_pWindow->OnPaint(waitPainter, width() - 2 * kBorder, height() - 2 * kBorder);
    }
    QPainter(this).drawPixmap(0, 0, frame);
}

void CxWaitWindowView::resizeEvent(QResizeEvent*)
{
    m_pWindow->OnSize(width() - 2 * kBorder, height() - 2 * kBorder);
}

void InstallWaitWindowView()
{
    static QtWaitWindowHost host;
    SetWaitWindowHost(&host);
}
