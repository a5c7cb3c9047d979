#include "common/google/CxCommWaitWindow.h"

#include "common/platform/Platform.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace {

// The current window and the host are set and cleared on the user-interface thread only; the tick
// thread works on its own object and never looks at them. The mutex still guards both, so a test
// thread may read the current window at any time.
std::mutex g_currentMutex;
std::shared_ptr<CxCommWaitWindow> g_currentWindow;
CxWaitWindowHost* g_host = nullptr;
std::atomic<int> g_tickMs{CxCommWaitWindow::kTickMs};

std::shared_ptr<CxCommWaitWindow> CurrentWindow()
{
    std::lock_guard lock(g_currentMutex);
    return g_currentWindow;
}

CxWaitWindowHost* CurrentHost()
{
    std::lock_guard lock(g_currentMutex);
    return g_host;
}

} // namespace

CxCommWaitWindow::~CxCommWaitWindow()
{
    StopThread();
}

void CxCommWaitWindow::OnCreate()
{
    std::lock_guard lock(m_mutex);
    m_nStep = 0;
}

void CxCommWaitWindow::OnPaint(CxWaitPainter& painter, int clientWidth, int clientHeight)
{
    // Draw from a snapshot so the tick thread is never held up by the drawing.
    char szText[kTextCapacity];
    int nElapsed, nStep;
    {
        std::lock_guard lock(m_mutex);
        CopyText(szText, m_szText);
        nElapsed = m_nElapsed;
        nStep = m_nStep;
    }
    painter.FillBackground(clientWidth, clientHeight);
    painter.DrawTextLine(szText, true, kTextLeft, 0, kBandHeight);
    painter.DrawTextLine("Time Elapsed:", true, kTextLeft, kTimeBandTop, kTimeBandTop + kBandHeight);
    char szSeconds[32];
    FormatText(szSeconds, "%d seconds", nElapsed / 1000);
    painter.DrawTextLine(szSeconds, false, kValueLeft, kTimeBandTop, kTimeBandTop + kBandHeight);
    int nBlocks = nStep % BlockPlaces(clientWidth);
    for (int i = 0; i < nBlocks; ++i)
        painter.FillBlock(kTextLeft + i * kBlockPitch, kBlockTop, kBlockWidth, kBlockHeight);
}

void CxCommWaitWindow::OnSize(int, int) {}

void CxCommWaitWindow::OnTimer(int id)
{
    if (id != kTimerId)
        return;
    {
        std::lock_guard lock(m_mutex);
        ++m_nStep;
    }
    ReadStatusLine();
    if (m_pView)
        m_pView->Invalidate();
}

void CxCommWaitWindow::Tick()
{
    ReadStatusLine();
    {
        std::lock_guard lock(m_mutex);
        m_nElapsed += kTickMs;
    }
    OnTimer(kTimerId);
}

int CxCommWaitWindow::BlockPlaces(int clientWidth)
{
    int places = (clientWidth - 2 * kTextLeft) / kBlockPitch + 1;
    return places > 0 ? places : 1;
}

void CxCommWaitWindow::ReadStatusLine()
{
    char szPath[MAX_PATH];
    GetStatusFile(szPath, sizeof szPath);
    if (!*szPath)
        return;
    // The helper rewrites the file meanwhile; the file is read without the lock held.
    std::FILE* file = std::fopen(szPath, "rb");
    if (!file)
        return;
    char szLine[kTextCapacity];
    bool bRead = std::fgets(szLine, sizeof szLine, file) != nullptr;
    std::fclose(file);
    if (!bRead)
        return;
    szLine[std::strcspn(szLine, "\r\n")] = '\0';
    if (*szLine)
        SetText(szLine);
}

void CxCommWaitWindow::SetText(const char* text)
{
    std::lock_guard lock(m_mutex);
    CopyText(m_szText, text);
}

void CxCommWaitWindow::SetStatusFile(const char* path)
{
    std::lock_guard lock(m_mutex);
    CopyText(m_szStatusFile, path);
}

void CxCommWaitWindow::GetText(char* buffer, size_t capacity) const
{
    std::lock_guard lock(m_mutex);
    CopyText(buffer, capacity, m_szText);
}

void CxCommWaitWindow::GetStatusFile(char* buffer, size_t capacity) const
{
    std::lock_guard lock(m_mutex);
    CopyText(buffer, capacity, m_szStatusFile);
}

int CxCommWaitWindow::GetElapsed() const
{
    std::lock_guard lock(m_mutex);
    return m_nElapsed;
}

int CxCommWaitWindow::GetStep() const
{
    std::lock_guard lock(m_mutex);
    return m_nStep;
}

bool CxCommWaitWindow::StartThread(int tickMs)
{
    try {
        m_thread = std::thread(&CxCommWaitWindow::ThreadMain, this, tickMs);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CxCommWaitWindow::StopThread()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_stopMutex);
        m_bStop = true;
    }
    m_stopEvent.notify_one();
    m_thread.join();
}

void CxCommWaitWindow::ThreadMain(int tickMs)
{
    const auto period = std::chrono::milliseconds(tickMs);
    std::unique_lock lock(m_stopMutex);
    while (!m_stopEvent.wait_for(lock, period, [this] { return m_bStop; })) {
        lock.unlock();
        Tick();
        lock.lock();
    }
}

void SetWaitWindowHost(CxWaitWindowHost* host)
{
    std::lock_guard lock(g_currentMutex);
    g_host = host;
}

bool StartWaitWindow(void* reactivate)
{
    // A window still current would be unreachable once replaced: its thread could never be
    // stopped and its view never closed. So it is stopped first (its window is reactivated too).
    StopWaitWindow();

    auto window = std::make_shared<CxCommWaitWindow>();
    window->m_pReactivate = reactivate;
    window->OnCreate();
    {
        std::lock_guard lock(g_currentMutex);
        g_currentWindow = window;
    }
    if (CxWaitWindowHost* host = CurrentHost())
        window->m_pView = host->CreateView(window);
    if (window->StartThread(g_tickMs.load()))
        return true;
    // Without its thread the window would never advance: work on without one.
    {
        std::lock_guard lock(g_currentMutex);
        g_currentWindow.reset();
    }
    window->m_pView.reset();
    return false;
}

void StopWaitWindow()
{
    std::shared_ptr<CxCommWaitWindow> window = CurrentWindow();
    if (!window)
        return;
    window->StopThread();
    {
        std::lock_guard lock(g_currentMutex);
        g_currentWindow.reset();
    }
    // The thread is joined: nothing can call the view any more.
    window->m_pView.reset();
    if (CxWaitWindowHost* host = CurrentHost())
        host->Reactivate(window->m_pReactivate);
}

void SetWaitText(const char* text)
{
    if (auto window = CurrentWindow())
        window->SetText(text);
}

void SetWaitStatusFile(const char* path)
{
    auto window = CurrentWindow();
    if (!window)
        return;
    // A status line left from an earlier run must not show.
    if (path && *path)
        platform::DeleteFile(path);
    window->SetStatusFile(path);
}

std::shared_ptr<CxCommWaitWindow> GetCurrentWaitWindow()
{
    return CurrentWindow();
}

void SetWaitTickInterval(int ms)
{
    g_tickMs.store(ms > 0 ? ms : CxCommWaitWindow::kTickMs);
}
