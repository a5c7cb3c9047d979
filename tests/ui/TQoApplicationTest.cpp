#include "app/TQoApplication.h"
#include "app/AppMessage.h"
#include "app/core/AppSettings.h"
#include "app/core/InstanceLock.h"
#include "common/platform/Platform.h"

#include <QCoreApplication>
#include <QEvent>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
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

// Holding the lock is what another app does; the start is turned away with the message and nothing
// else. Once the other app is gone this process takes the folder (and keeps it, for the rest of
// this test program).
TEST(TQoApplicationTest, ASecondStartOnTheSameDataFolderIsTurnedAway)
{
    char szFolder[MAX_PATH] = "";
    ASSERT_TRUE(GetDataFolder(szFolder));
    const std::string lockPath = std::string(szFolder) + kInstanceLockFile;
    std::vector<AppMessageRecord> shown;
    SetAppMessageHandler([&](const AppMessageRecord& box) { shown.push_back(box); });

    platform::FileLock other;
    ASSERT_EQ(platform::LockResult::Locked, platform::TryLockFile(lockPath.c_str(), &other));
    EXPECT_TRUE(TQoApplication::RefuseSecondStart());
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(QStringLiteral("Qosweep is already running."), shown[0].text);
    EXPECT_EQ(QStringLiteral("Qosweep"), shown[0].title);

    platform::UnlockFile(&other);
    EXPECT_FALSE(TQoApplication::RefuseSecondStart());
    EXPECT_EQ(1u, shown.size()) << "no message for the first start";
    EXPECT_EQ(platform::LockResult::Busy, platform::TryLockFile(lockPath.c_str(), &other));
    SetAppMessageHandler({});
}
