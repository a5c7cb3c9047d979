#include "app/AppMessage.h"
#include "common/google/CxCommWaitWindow.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <vector>

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

// A real question: Yes and No with No as the default, so Enter alone deletes nothing; the answer is
// the button pressed, and closing the box counts as No.
TEST(AppMessageTest, AQuestionOffersYesAndNoWithNoAsTheDefault)
{
    struct Case
    {
        const char* what;
        QMessageBox::StandardButton pressed; // NoButton: the box is closed with Escape
        QMessageBox::StandardButton answer;
    };
    const Case cases[] = {
        {"Yes", QMessageBox::Yes, QMessageBox::Yes},
        {"No", QMessageBox::No, QMessageBox::No},
        {"closed", QMessageBox::NoButton, QMessageBox::No},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Shown shown;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            shown = {true, box->windowTitle(), box->text(), box->icon(), box->standardButtons(), false};
            defaultButton = box->standardButton(box->defaultButton());
            if (c.pressed == QMessageBox::NoButton)
                box->reject();
            else
                box->button(c.pressed)->click();
        });
        EXPECT_EQ(c.answer, AppQuestionBox(nullptr, "Delete them?", "Confirm"));
        ASSERT_TRUE(shown.seen);
        EXPECT_EQ(QString("Confirm"), shown.title);
        EXPECT_EQ(QString("Delete them?"), shown.text);
        EXPECT_EQ(QMessageBox::Question, shown.icon);
        EXPECT_EQ(QMessageBox::Yes | QMessageBox::No, shown.buttons);
        EXPECT_EQ(QMessageBox::No, defaultButton);
    }
}

// Under the test seam a question is recorded with its buttons and gets the answer set for it once;
// the next one falls back to its default button.
TEST(AppMessageTest, TheSeamRecordsAQuestionAndGivesTheNextAnswerOnce)
{
    std::vector<AppMessageRecord> shown;
    SetAppMessageHandler([&](const AppMessageRecord& r) { shown.push_back(r); });
    SetNextAppAnswer(QMessageBox::Yes);
    EXPECT_EQ(QMessageBox::Yes, AppQuestionBox(nullptr, "First?", "Confirm"));
    EXPECT_EQ(QMessageBox::No, AppQuestionBox(nullptr, "Second?", "Confirm"));
    EXPECT_EQ(QMessageBox::Yes, AppQuestionBox(nullptr, "Third?", "Confirm", QMessageBox::Yes));
    // An answer left over when the seam is taken down does not reach the next test's question.
    SetNextAppAnswer(QMessageBox::Yes);
    SetAppMessageHandler([&](const AppMessageRecord& r) { shown.push_back(r); });
    EXPECT_EQ(QMessageBox::No, AppQuestionBox(nullptr, "Fourth?", "Confirm"));
    SetAppMessageHandler({});
    ASSERT_EQ(4u, shown.size());
    EXPECT_EQ(QString("First?"), shown[0].text);
    EXPECT_EQ(QMessageBox::Question, shown[0].icon);
    EXPECT_EQ(QMessageBox::Yes | QMessageBox::No, shown[0].buttons);
    EXPECT_EQ(QMessageBox::No, shown[0].defaultButton);
    EXPECT_EQ(QMessageBox::Yes, shown[2].defaultButton);
}
