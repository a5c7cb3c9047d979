#include "app/TQoApplication.h"
#include "app/AppMessage.h"

#include <QCoreApplication>
#include <QEvent>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <vector>

namespace {

// Throws from its event handler, as a failing handler deep in a page would.
class ThrowingObject : public QObject
{
public:
    explicit ThrowingObject(std::function<void()> thrower)
        : m_thrower(std::move(thrower))
    {}
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            m_thrower();
        return QObject::event(e);
    }

private:
    std::function<void()> m_thrower;
};

} // namespace

TEST(TQoApplicationTest, ExceptionsReachingTheEventLoopAreShownAndTheProgramGoesOn)
{
    struct Case
    {
        const char* name;
        std::function<void()> thrower;
        QString expected;
    };
    const Case cases[] = {
        {"exception", [] { throw std::runtime_error("disk on fire"); }, QStringLiteral("disk on fire")},
        {"not an exception", [] { throw 42; }, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<AppMessageRecord> shown;
        SetAppMessageHandler([&](const AppMessageRecord& r) { shown.push_back(r); });
        ThrowingObject target(c.thrower);
        QEvent event(QEvent::User);
        EXPECT_FALSE(QCoreApplication::sendEvent(&target, &event));
        SetAppMessageHandler({});
        ASSERT_EQ(1u, shown.size());
        EXPECT_EQ(c.expected, shown[0].text);
        EXPECT_EQ(QString("Qosweep"), shown[0].title);
        EXPECT_EQ(QMessageBox::Critical, shown[0].icon);
    }
}
