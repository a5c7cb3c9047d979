#include "app/AppMessage.h"
#include "common/google/CxCommWaitWindow.h"

#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct Shown
{
    bool seen = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool onTop = false;
};

// Shows a real box and answers it from the event loop, noting what was on screen.
Shown ShowRealBox(const QString& text)
{
    Shown shown;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        shown = {true,        box->windowTitle(),     box->text(),
                 box->icon(), box->standardButtons(), box->windowFlags().testFlag(Qt::WindowStaysOnTopHint)};
        box->accept();
    });
    AppMessageBox(nullptr, text);
    return shown;
}

} // namespace

TEST(AppMessageTest, ABoxIsTitledErrorWithTheInformationIconAndOneOKButton)
{
    const Shown shown = ShowRealBox("Please enter the password of your Google account.");
    ASSERT_TRUE(shown.seen);
    EXPECT_EQ(QString("Error"), shown.title);
    EXPECT_EQ(QString("Please enter the password of your Google account."), shown.text);
    EXPECT_EQ(QMessageBox::Information, shown.icon);
    EXPECT_EQ(QMessageBox::StandardButtons(QMessageBox::Ok), shown.buttons);
    EXPECT_FALSE(shown.onTop);
}

// The wait window stays on top; a box under it could be neither seen nor answered.
TEST(AppMessageTest, ABoxShownWhileTheWaitWindowIsUpStaysOnTopAsWell)
{
    ASSERT_TRUE(StartWaitWindow(nullptr));
    const Shown shown = ShowRealBox("Can not retrieve your Google Contacts or Calendar information.");
    StopWaitWindow();
    ASSERT_TRUE(shown.seen);
    EXPECT_TRUE(shown.onTop);
}
