#include "common/google/CxCommWaitWindow.h"
#include "common/platform/Platform.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

struct TextLine
{
    std::string text;
    bool bold;
    int left, top, bottom;
    bool operator==(const TextLine&) const = default;
};

struct Block
{
    int left, top, width, height;
    bool operator==(const Block&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TextLine& t)
{
    return os << "{\"" << t.text << "\", " << t.bold << ", " << t.left << ", " << t.top << ", " << t.bottom << "}";
}

std::ostream& operator<<(std::ostream& os, const Block& b)
{
    return os << "{" << b.left << ", " << b.top << ", " << b.width << ", " << b.height << "}";
}

class RecordingPainter : public CxWaitPainter
{
public:
    void FillBackground(int width, int height) override
    {
        EXPECT_TRUE(lines.empty() && blocks.empty()) << "background after drawing";
        backgrounds.emplace_back(width, height);
    }
    void DrawTextLine(const char* text, bool bold, int left, int top, int bottom) override
    {
        lines.push_back({text, bold, left, top, bottom});
    }
    void FillBlock(int left, int top, int width, int height) override { blocks.push_back({left, top, width, height}); }

    std::vector<std::pair<int, int>> backgrounds;
    std::vector<TextLine> lines;
    std::vector<Block> blocks;
};

RecordingPainter Paint(CxCommWaitWindow& window, int width, int height = 148)
{
    RecordingPainter painter;
    window.OnPaint(painter, width, height);
    return painter;
}

std::string Text(const CxCommWaitWindow& window)
{
    char buf[CxCommWaitWindow::kTextCapacity + 8];
    window.GetText(buf, sizeof buf);
    return buf;
}

std::string StatusFile(const CxCommWaitWindow& window)
{
    char buf[MAX_PATH + 8];
    window.GetStatusFile(buf, sizeof buf);
    return buf;
}

class FakeHost : public CxWaitWindowHost
{
public:
    class View : public CxWaitView
    {
    public:
        explicit View(FakeHost& host)
            : m_host(host)
        {
            ++m_host.viewsAlive;
        }
        ~View() override { --m_host.viewsAlive; }
        void Invalidate() override { ++m_host.invalidations; }

    private:
        FakeHost& m_host;
    };

    std::unique_ptr<CxWaitView> CreateView(std::shared_ptr<CxCommWaitWindow> window) override
    {
        created.push_back(window.get());
        return std::make_unique<View>(*this);
    }
    void Reactivate(void* window) override { reactivated.push_back(window); }

    std::vector<CxCommWaitWindow*> created;
    std::vector<void*> reactivated;
    int viewsAlive = 0;
    std::atomic<int> invalidations{0};
};

// The free functions work on process-wide state: every test leaves none behind. The tick thread
// is slowed to an hour so only the test's own Tick() calls advance a window.
class CxCommWaitWindowFunctionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetWaitWindowHost(&m_host);
        SetWaitTickInterval(3600 * 1000);
    }
    void TearDown() override
    {
        StopWaitWindow();
        SetWaitWindowHost(nullptr);
        SetWaitTickInterval(CxCommWaitWindow::kTickMs);
    }

    FakeHost m_host;
    TempDir m_dir;
    int m_mainWindow = 0; // its address stands for the window to reactivate
};

} // namespace

TEST(CxCommWaitWindowTest, PaintsTheTextAndTheTimeInTheirBands)
{
    CxCommWaitWindow window;
    window.OnCreate();
    window.SetText("Loading Google contacts ...");
    RecordingPainter p = Paint(window, 478, 148);
    ASSERT_EQ(1u, p.backgrounds.size());
    EXPECT_EQ(std::make_pair(478, 148), p.backgrounds[0]);
    std::vector<TextLine> expected = {{"Loading Google contacts ...", true, 20, 0, 50},
                                      {"Time Elapsed:", true, 20, 30, 80},
                                      {"0 seconds", false, 140, 30, 80}};
    EXPECT_EQ(expected, p.lines);
    EXPECT_TRUE(p.blocks.empty());
}

TEST(CxCommWaitWindowTest, SecondsCountTenTicksEach)
{
    CxCommWaitWindow window;
    for (int ticks = 1; ticks <= 25; ++ticks) {
        SCOPED_TRACE(ticks);
        window.Tick();
        EXPECT_EQ(ticks * 100, window.GetElapsed());
        RecordingPainter p = Paint(window, 478);
        ASSERT_EQ(3u, p.lines.size());
        EXPECT_EQ(std::to_string(ticks / 10) + " seconds", p.lines[2].text);
    }
}

TEST(CxCommWaitWindowTest, BlocksGrowOnePerTickAndStartAgainWhenTheRowIsFull)
{
    // 478 is the client width inside the view's border; the others move the wrap point.
    const struct
    {
        int width;
        int places;
    } cases[] = {{478, 18}, {480, 18}, {464, 17}, {465, 18}, {115, 4}, {64, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        EXPECT_EQ(c.places, CxCommWaitWindow::BlockPlaces(c.width));
        CxCommWaitWindow window;
        window.OnCreate();
        for (int step = 0; step <= 2 * c.places + 1; ++step) {
            SCOPED_TRACE(step);
            ASSERT_EQ(step, window.GetStep());
            std::vector<Block> expected;
            for (int i = 0; i < step % c.places; ++i)
                expected.push_back({20 + 25 * i, 100, 20, 12});
            EXPECT_EQ(expected, Paint(window, c.width).blocks);
            window.Tick();
        }
    }
}

TEST(CxCommWaitWindowTest, StatusFileFirstLineReplacesTheText)
{
    TempDir dir;
    const std::string path = dir.file("status.dat");
    const std::string longLine(1500, 'x');
    const struct
    {
        const char* name;
        std::optional<std::string> content; // none: no file
        bool polled;                        // false: no status file set
        std::string expected;
    } cases[] = {
        {"CRLF", "Reading 10 of 50\r\nsecond line\r\n", true, "Reading 10 of 50"},
        {"LF", "Reading\nsecond", true, "Reading"},
        {"CR", "Reading\r", true, "Reading"},
        {"no line end", "Saving", true, "Saving"},
        {"long line", longLine + "\r\nnext", true, std::string(1023, 'x')},
        {"empty file", "", true, "before"},
        {"empty first line", "\r\nsecond", true, "before"},
        {"missing file", std::nullopt, true, "before"},
        {"no status file", "Reading", false, "before"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::DeleteFile(path.c_str());
        if (c.content)
            TempDir::WriteFile(path, *c.content);
        CxCommWaitWindow window;
        window.SetText("before");
        window.SetStatusFile(c.polled ? path.c_str() : "");
        window.Tick();
        EXPECT_EQ(c.expected, Text(window));
        EXPECT_EQ(1, window.GetStep());
    }
}

TEST(CxCommWaitWindowTest, OnlyItsOwnTimerAdvancesTheWindow)
{
    TempDir dir;
    TempDir::WriteFile(dir.file("status.dat"), "Reading\r\n");
    CxCommWaitWindow window;
    window.SetText("before");
    window.SetStatusFile(dir.file("status.dat").c_str());
    window.OnTimer(1);
    EXPECT_EQ(0, window.GetStep());
    EXPECT_EQ("before", Text(window));
    window.OnTimer(CxCommWaitWindow::kTimerId);
    EXPECT_EQ(1, window.GetStep());
    EXPECT_EQ(0, window.GetElapsed());
    EXPECT_EQ("Reading", Text(window));
}

TEST_F(CxCommWaitWindowFunctionsTest, WithoutAWindowTextAndStatusFileAreIgnoredAndTheFileIsKept)
{
    const std::string path = m_dir.file("GAddrStatus.dat");
    TempDir::WriteFile(path, "old status\r\n");
    SetWaitText("text");
    SetWaitStatusFile(path.c_str());
    EXPECT_EQ(nullptr, GetCurrentWaitWindow());
    EXPECT_EQ("old status\r\n", TempDir::ReadFile(path));

    // The same after a window came and went.
    ASSERT_TRUE(StartWaitWindow(&m_mainWindow));
    StopWaitWindow();
    SetWaitStatusFile(path.c_str());
    EXPECT_EQ("old status\r\n", TempDir::ReadFile(path));
}

TEST_F(CxCommWaitWindowFunctionsTest, TheCurrentWindowTakesTextAndPollsTheStatusFile)
{
    const std::string path = m_dir.file("GAddrStatus.dat");
    TempDir::WriteFile(path, "left from the last run\r\n");
    ASSERT_TRUE(StartWaitWindow(&m_mainWindow));
    auto window = GetCurrentWaitWindow();
    ASSERT_NE(nullptr, window);
    ASSERT_EQ(std::vector<CxCommWaitWindow*>{window.get()}, m_host.created);
    EXPECT_EQ(1, m_host.viewsAlive);

    SetWaitText("Loading Google contacts ...");
    SetWaitStatusFile(path.c_str());
    EXPECT_FALSE(platform::FileExists(path.c_str()));
    EXPECT_EQ(path, StatusFile(*window));
    window->Tick();
    EXPECT_EQ("Loading Google contacts ...", Text(*window));

    TempDir::WriteFile(path, "Reading contacts: 20\r\n");
    window->Tick();
    EXPECT_EQ("Reading contacts: 20", Text(*window));
    EXPECT_EQ(2, m_host.invalidations.load());

    // Texts and paths are cut to their buffers.
    SetWaitText(std::string(2000, 't').c_str());
    EXPECT_EQ(std::string(1023, 't'), Text(*window));
    const std::string longPath = m_dir.path() + std::string(400, 'p');
    SetWaitStatusFile(longPath.c_str());
    EXPECT_EQ(longPath.substr(0, 259), StatusFile(*window));

    // An empty path stops the polling and deletes nothing.
    SetWaitStatusFile("");
    EXPECT_EQ("", StatusFile(*window));
    EXPECT_TRUE(platform::FileExists(path.c_str()));
}

TEST_F(CxCommWaitWindowFunctionsTest, StopLeavesNoWindowAndReactivatesTheRememberedOne)
{
    StopWaitWindow(); // none: nothing happens
    EXPECT_TRUE(m_host.reactivated.empty());

    ASSERT_TRUE(StartWaitWindow(&m_mainWindow));
    std::weak_ptr<CxCommWaitWindow> window = GetCurrentWaitWindow();
    auto started = std::chrono::steady_clock::now();
    StopWaitWindow();
    // The stop wakes the thread out of its (hour-long) wait.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
    EXPECT_EQ(nullptr, GetCurrentWaitWindow());
    EXPECT_TRUE(window.expired());
    EXPECT_EQ(0, m_host.viewsAlive);
    EXPECT_EQ(std::vector<void*>{&m_mainWindow}, m_host.reactivated);
}

TEST_F(CxCommWaitWindowFunctionsTest, StartingAgainStopsTheFirstWindow)
{
    int otherWindow = 0;
    ASSERT_TRUE(StartWaitWindow(&m_mainWindow));
    auto first = GetCurrentWaitWindow();
    ASSERT_TRUE(StartWaitWindow(&otherWindow));
    auto second = GetCurrentWaitWindow();
    ASSERT_NE(nullptr, second);
    EXPECT_NE(first, second);
    EXPECT_EQ(1, m_host.viewsAlive);
    EXPECT_EQ(std::vector<void*>{&m_mainWindow}, m_host.reactivated);

    // The first is stopped for good: nothing reaches it any more.
    SetWaitText("second only");
    EXPECT_EQ("", Text(*first));
    EXPECT_EQ("second only", Text(*second));
    StopWaitWindow();
    EXPECT_EQ(0, m_host.viewsAlive);
    EXPECT_EQ((std::vector<void*>{&m_mainWindow, &otherWindow}), m_host.reactivated);
}

TEST_F(CxCommWaitWindowFunctionsTest, WithoutAHostTheWindowStillTicks)
{
    SetWaitWindowHost(nullptr);
    SetWaitTickInterval(CxCommWaitWindow::kTickMs);
    ASSERT_TRUE(StartWaitWindow(&m_mainWindow));
    auto window = GetCurrentWaitWindow();
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(WaitUntil([&] { return window->GetStep() >= 2; }));
    StopWaitWindow();
    int steps = window->GetStep();
    EXPECT_EQ(steps * 100, window->GetElapsed());
    EXPECT_EQ(nullptr, GetCurrentWaitWindow());
    EXPECT_TRUE(m_host.created.empty());
    EXPECT_TRUE(m_host.reactivated.empty());
}

// The tick thread reads the status file and updates the text while this thread sets text and
// status path and another one rewrites the file, as a helper does. Run under ThreadSanitizer too.
TEST_F(CxCommWaitWindowFunctionsTest, TickThreadRunsWhileTextAndStatusFileChange)
{
    SetWaitTickInterval(2);
    const std::string path = m_dir.file("GDateStatus.dat");
    ASSERT_TRUE(StartWaitWindow(&m_mainWindow));
    auto window = GetCurrentWaitWindow();
    ASSERT_NE(nullptr, window);

    std::atomic<bool> done{false};
    std::thread helper([&] {
        // Whole-file replacement: the reader sees an old or a new line, never half of one.
        for (int n = 0; !done; ++n)
            platform::ReplaceFileContents(path.c_str(), "status " + std::to_string(n) + "\r\n");
    });

    // Every text seen is one that was set whole.
    auto wholeText = [](const std::string& s) {
        char word[8] = "";
        int value = -1, used = 0;
        return std::sscanf(s.c_str(), "%7s %d%n", word, &value, &used) == 2 && used == static_cast<int>(s.size()) &&
               value >= 0 && (std::strcmp(word, "text") == 0 || std::strcmp(word, "status") == 0);
    };
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    for (int n = 0; std::chrono::steady_clock::now() < until; ++n) {
        SetWaitText(("text " + std::to_string(n)).c_str());
        if (n % 16 == 0)
            SetWaitStatusFile(path.c_str());
        std::string text = Text(*window);
        ASSERT_TRUE(wholeText(text)) << '"' << text << '"';
        RecordingPainter p = Paint(*window, 478);
        ASSERT_EQ(3u, p.lines.size());
        ASSERT_TRUE(wholeText(p.lines[0].text)) << '"' << p.lines[0].text << '"';
    }
    done = true;
    helper.join();

    // Left alone, the window shows the helper's last line.
    const std::string last = TempDir::ReadFile(path);
    ASSERT_EQ("status ", last.substr(0, 7));
    WaitUntil([&] { return Text(*window) + "\r\n" == last; });
    EXPECT_EQ(last, Text(*window) + "\r\n");

    StopWaitWindow();
    int steps = window->GetStep();
    EXPECT_GT(steps, 0);
    EXPECT_EQ(steps * 100, window->GetElapsed());
    EXPECT_EQ(steps, m_host.invalidations.load());
}
