// The session's stop-request checks, on a clock the test moves by hand.
#include "helpers/driver/HelperSession.h"

#include "common/misc/CxIniUtil.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using namespace std::chrono_literals;

class HelperSessionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_session.SetClock([this] { return m_now; });
        HelperParams params;
        params.workFolder = m_work.path();
        m_session.Configure(params);
        m_session.MarkRunning();
    }

    void RequestStop() { CxIniUtil(m_work.path().c_str(), "GAddrData.ini").WriteNumber("Status", "Stop", 1); }

    TempDir m_work;
    std::chrono::steady_clock::time_point m_now{1h};
    HelperSession m_session{HelperKind::Contacts};
};

} // namespace

TEST_F(HelperSessionTest, TheFirstCheckReadsTheFileAtOnce)
{
    RequestStop();
    EXPECT_TRUE(m_session.StopRequested());
    EXPECT_EQ(1, m_session.StopFileReads());
}

TEST_F(HelperSessionTest, TheFileIsReadAtMostEvery100Milliseconds)
{
    EXPECT_FALSE(m_session.StopRequested());
    RequestStop();
    // Items come much faster than that: a thousand checks in one instant read the file once.
    for (int i = 0; i < 1000; ++i)
        ASSERT_FALSE(m_session.StopRequested()) << i;
    m_now += 99ms;
    EXPECT_FALSE(m_session.StopRequested());
    EXPECT_EQ(1, m_session.StopFileReads());
    m_now += 1ms;
    EXPECT_TRUE(m_session.StopRequested());
    EXPECT_EQ(2, m_session.StopFileReads());
    // The answer stands until the next read is due.
    EXPECT_TRUE(m_session.StopRequested());
    EXPECT_EQ(2, m_session.StopFileReads());
}

TEST_F(HelperSessionTest, TheIntervalCountsFromTheLastRead)
{
    EXPECT_FALSE(m_session.StopRequested());
    m_now += 150ms;
    EXPECT_FALSE(m_session.StopRequested()); // read 2, at 150 ms
    RequestStop();
    m_now += 60ms; // 210 ms: due by the first read, not by the last
    EXPECT_FALSE(m_session.StopRequested());
    m_now += 40ms;
    EXPECT_TRUE(m_session.StopRequested());
    EXPECT_EQ(3, m_session.StopFileReads());
}

TEST_F(HelperSessionTest, AForcedCheckReadsTheFileWhateverTheInterval)
{
    EXPECT_FALSE(m_session.StopRequested());
    RequestStop();
    EXPECT_TRUE(m_session.StopRequested(true));
    EXPECT_EQ(2, m_session.StopFileReads());
    // And restarts the interval.
    CxIniUtil(m_work.path().c_str(), "GAddrData.ini").WriteNumber("Status", "Stop", 0);
    m_now += 50ms;
    EXPECT_TRUE(m_session.StopRequested());
    EXPECT_EQ(2, m_session.StopFileReads());
}

TEST_F(HelperSessionTest, KindsWithoutAStopFileNeverReadOne)
{
    RequestStop();
    for (const HelperKind kind : {HelperKind::Tasks, HelperKind::Notes}) {
        SCOPED_TRACE(static_cast<int>(kind));
        HelperSession session(kind);
        HelperParams params;
        params.workFolder = m_work.path();
        session.Configure(params);
        EXPECT_FALSE(session.StopRequested());
        EXPECT_FALSE(session.StopRequested(true));
        EXPECT_EQ(0, session.StopFileReads());
    }
    // Nor does a session never configured: it knows no work folder.
    HelperSession unconfigured(HelperKind::Contacts);
    EXPECT_FALSE(unconfigured.StopRequested(true));
    EXPECT_EQ(0, unconfigured.StopFileReads());
}

TEST_F(HelperSessionTest, AProgressTextIsMadeOnlyWhenItIsWritten)
{
    HelperParams params;
    params.workFolder = m_work.path();
    params.statusFile = "status.txt";
    m_session.Configure(params);
    int made = 0;
    const auto status = [&](bool force) {
        m_session.StatusMadeBy(
            [&] {
                ++made;
                return "line " + std::to_string(made);
            },
            force);
    };
    struct Step
    {
        std::chrono::milliseconds advance;
        bool force;
        int made;
        const char* file;
    };
    const Step steps[] = {
        {0ms, false, 1, "line 1\r\n"},  // the first text goes out at once
        {0ms, false, 1, "line 1\r\n"},  // the next within 100 ms is not even made
        {99ms, false, 1, "line 1\r\n"}, //
        {0ms, true, 2, "line 2\r\n"},   // forced, whatever the interval
        {99ms, false, 2, "line 2\r\n"}, // the interval counts from the forced one
        {1ms, false, 3, "line 3\r\n"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(made);
        m_now += step.advance;
        status(step.force);
        EXPECT_EQ(step.made, made);
        EXPECT_EQ(step.file, TempDir::ReadFile(m_work.file("status.txt")));
    }
}
