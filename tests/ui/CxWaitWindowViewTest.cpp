#include "app/CxWaitWindowView.h"
#include "common/google/CxCommWaitWindow.h"
#include "common/platform/Platform.h"

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QColor kBlockColour(0, 128, 192);

// The view of the wait window that is up. A view an earlier test stopped may still be waiting for its
// deferred deletion, so the name alone does not tell which one that is.
CxWaitWindowView* FindWaitWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* view = qobject_cast<CxWaitWindowView*>(w);
        if (view && w->objectName() == QLatin1String("CommWaitWindow") && view->Window() == GetCurrentWaitWindow())
            return view;
    }
    return nullptr;
}

class PaintCounter : public QObject
{
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    int paints = 0;
};

// The application object installed the real view. The tick thread is slowed to an hour so only the
// test's own Tick() calls advance the window.
class CxWaitWindowViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetWaitTickInterval(3600 * 1000);
        m_main.setWindowTitle(QStringLiteral("main"));
        m_main.resize(200, 100);
        m_main.show();
    }
    void TearDown() override
    {
        StopWaitWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SetWaitTickInterval(CxCommWaitWindow::kTickMs);
    }

    QWidget m_main;
};

} // namespace

TEST_F(CxWaitWindowViewTest, IsAFramelessToolWindowCentredOnTheScreen)
{
    ASSERT_TRUE(StartWaitWindow(&m_main));
    CxWaitWindowView* view = FindWaitWindow();
    ASSERT_NE(nullptr, view);
    EXPECT_EQ(GetCurrentWaitWindow(), view->Window());
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(nullptr, view->parentWidget());
    EXPECT_EQ(QSize(480, 150), view->size());
    // Tool shares bits with Popup, so the type is compared whole.
    EXPECT_EQ(Qt::Tool, view->windowType());
    EXPECT_TRUE(view->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(view->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(QString(), view->windowTitle());
    EXPECT_EQ(QString("Please wait"), view->accessibleName());
    QRect desktop = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(QPoint(desktop.left() + (desktop.width() - 480) / 2, desktop.top() + (desktop.height() - 150) / 2),
              view->pos());
}

TEST_F(CxWaitWindowViewTest, PaintsOneBlockMorePerTickInsideABorder)
{
    ASSERT_TRUE(StartWaitWindow(&m_main));
    CxWaitWindowView* view = FindWaitWindow();
    ASSERT_NE(nullptr, view);
    auto window = GetCurrentWaitWindow();
    window->SetText("Loading Google contacts ...");
    // The client inside the 1-pixel border is 478 wide: 18 places, so 18 ticks show none again.
    const int places = CxCommWaitWindow::BlockPlaces(478);
    ASSERT_EQ(18, places);
    int ticks = 0;
    for (int n : {0, 1, 5, 17, 18, 20}) {
        SCOPED_TRACE(n);
        for (; ticks < n; ++ticks)
            window->Tick();
        QImage image = view->grab().toImage();
        ASSERT_EQ(QSize(480, 150), image.size());
        EXPECT_EQ(QColor(Qt::black), image.pixelColor(0, 0));
        EXPECT_EQ(QColor(Qt::black), image.pixelColor(479, 149));
        EXPECT_EQ(QColor(Qt::white), image.pixelColor(1, 1));
        EXPECT_EQ(QColor(Qt::white), image.pixelColor(478, 148));
        for (int i = 0; i < places; ++i) {
            // Block i covers client x 20 + 25 i to + 20, y 100 to 112; sample its centre.
            QColor expected = i < n % places ? kBlockColour : QColor(Qt::white);
            EXPECT_EQ(expected, image.pixelColor(1 + 20 + 25 * i + 10, 1 + 100 + 6)) << "block " << i;
        }
    }
    // The texts were drawn: dark pixels in the main line and in the seconds.
    QImage image = view->grab().toImage();
    auto hasInk = [&](QRect area) {
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (image.pixelColor(x, y).lightness() < 128)
                    return true;
        return false;
    };
    EXPECT_TRUE(hasInk(QRect(21, 1, 120, 50)));
    EXPECT_TRUE(hasInk(QRect(141, 31, 80, 50)));
    EXPECT_FALSE(hasInk(QRect(1, 1, 19, 99)));
}

TEST_F(CxWaitWindowViewTest, StopRemovesTheWindowAndReactivatesTheRememberedOne)
{
    QWidget other;
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other, 2000));

    ASSERT_TRUE(StartWaitWindow(&m_main));
    QPointer<CxWaitWindowView> view = FindWaitWindow();
    ASSERT_FALSE(view.isNull());
    StopWaitWindow();
    EXPECT_EQ(nullptr, GetCurrentWaitWindow());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(view.isNull());
    EXPECT_EQ(nullptr, FindWaitWindow());
    EXPECT_TRUE(QTest::qWaitForWindowActive(&m_main, 2000));
    EXPECT_EQ(&m_main, QApplication::activeWindow());
}

TEST_F(CxWaitWindowViewTest, MessageBoxShownMeanwhileIsNotBlocked)
{
    ASSERT_TRUE(StartWaitWindow(&m_main));
    CxWaitWindowView* view = FindWaitWindow();
    ASSERT_NE(nullptr, view);
    QMessageBox box(QMessageBox::Information, QStringLiteral("Error"), QStringLiteral("text"), QMessageBox::Ok,
                    &m_main);
    QWidget* popup = &box;
    QWidget* modal = nullptr;
    bool waitWindowShown = false;
    // Answer the box from its own event loop, as the user would.
    QTimer::singleShot(0, &box, [&] {
        popup = QApplication::activePopupWidget();
        modal = QApplication::activeModalWidget();
        waitWindowShown = view->isVisible();
        box.button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(QMessageBox::Ok, box.exec());
    EXPECT_EQ(nullptr, popup);
    EXPECT_EQ(&box, modal);
    // Both stay up together.
    EXPECT_TRUE(waitWindowShown);
}

// The app's wait pump lets the view repaint while the user-interface thread waits for a helper.
TEST_F(CxWaitWindowViewTest, RepaintsWhileAHelperRuns)
{
    SetWaitTickInterval(20);
    ASSERT_TRUE(StartWaitWindow(&m_main));
    CxWaitWindowView* view = FindWaitWindow();
    ASSERT_NE(nullptr, view);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view, 2000));
    QCoreApplication::processEvents();
    PaintCounter counter;
    view->installEventFilter(&counter);

    platform::Process process;
    ASSERT_TRUE(platform::StartProcess("/bin/sleep", {"sleep", "0.5"}, &process));
    EXPECT_EQ(platform::WaitResult::Exited, platform::WaitProcess(&process, 5000));
    platform::ReleaseProcess(&process);
    view->removeEventFilter(&counter);
    EXPECT_GT(counter.paints, 0);
    EXPECT_GT(GetCurrentWaitWindow()->GetStep(), 0);
}
