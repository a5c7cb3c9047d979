// The wait window's state and its 100 ms tick; the app draws it through CxWaitPainter.
#pragma once

#include "common/misc/TextBuf.h"

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>

// Drawing operations a view provides. Coordinates are client pixels, the client's top-left is 0,0.
class CxWaitPainter
{
public:
    virtual ~CxWaitPainter() = default;
    // The whole client area in white.
    virtual void FillBackground(int width, int height) = 0;
    // One line from left, vertically centred in the band [top, bottom).
    virtual void DrawTextLine(const char* text, bool bold, int left, int top, int bottom) = 0;
    // A block in the colour red 0, green 128, blue 192.
    virtual void FillBlock(int left, int top, int width, int height) = 0;
};

// The on-screen side of one wait window, made and destroyed on the user-interface thread.
class CxWaitView
{
public:
    virtual ~CxWaitView() = default;
    // Asks for a repaint. Called from the tick thread: it may only post to the GUI thread.
    virtual void Invalidate() = 0;
};

class CxCommWaitWindow;

// What the app provides: the views and bringing the remembered window back. Called on the
// user-interface thread only.
class CxWaitWindowHost
{
public:
    virtual ~CxWaitWindowHost() = default;
    // The view paints from the window it is given; null when it cannot be made.
    virtual std::unique_ptr<CxWaitView> CreateView(std::shared_ptr<CxCommWaitWindow> window) = 0;
    // Brings the window to the front and activates it.
    virtual void Reactivate(void* window) = 0;
};

class CxCommWaitWindow
{
public:
    static constexpr int kTimerId = 10000;
    static constexpr int kTickMs = 100;
    static constexpr size_t kTextCapacity = 1024;

    // Layout of the client area.
    static constexpr int kTextLeft = 20;
    static constexpr int kValueLeft = 140;
    static constexpr int kBandHeight = 50;
    static constexpr int kTimeBandTop = 30;
    static constexpr int kBlockTop = 100;
    static constexpr int kBlockWidth = 20;
    static constexpr int kBlockHeight = 12;
    static constexpr int kBlockPitch = 25;

    CxCommWaitWindow() = default;
    // Stops the tick thread if it still runs.
    virtual ~CxCommWaitWindow();
    CxCommWaitWindow(const CxCommWaitWindow&) = delete;
    CxCommWaitWindow& operator=(const CxCommWaitWindow&) = delete;

    // Handlers: OnCreate resets the animation, OnPaint draws a snapshot of the state into a client
    // area of the given size, OnSize does nothing, OnTimer advances on kTimerId only.
    virtual void OnCreate();
    virtual void OnPaint(CxWaitPainter& painter, int clientWidth, int clientHeight);
    virtual void OnSize(int clientWidth, int clientHeight);
    virtual void OnTimer(int id);

    // One pass of the tick loop: take the status file's first line, add 100 ms, OnTimer(kTimerId).
    void Tick();

    // Both copy bounded and may be called from any thread.
    void SetText(const char* text);
    void SetStatusFile(const char* path);

    void GetText(char* buffer, size_t capacity) const;
    void GetStatusFile(char* buffer, size_t capacity) const;
    int GetElapsed() const;
    int GetStep() const;

    // Blocks shown for a client of this width: (width - 40) / 25 + 1.
    static int BlockPlaces(int clientWidth);

private:
    friend bool StartWaitWindow(void* reactivate);
    friend void StopWaitWindow();

    // The first line of the status file into the text when the file opens and holds one.
    void ReadStatusLine();
    bool StartThread(int tickMs);
    void StopThread();
    void ThreadMain(int tickMs);

    mutable std::mutex m_mutex; // guards the four fields below
    char m_szText[kTextCapacity] = "";
    char m_szStatusFile[MAX_PATH] = "";
    int m_nElapsed = 0;
    int m_nStep = 0;

    // Set before the thread starts and cleared after it is joined, so the thread reads them unlocked.
    std::unique_ptr<CxWaitView> m_pView;
    void* m_pReactivate = nullptr;

    // The stop event: the thread waits on it for each tick.
    std::mutex m_stopMutex;
    std::condition_variable m_stopEvent;
    bool m_bStop = false;
    std::thread m_thread;
};

// The app's host; not owned, null for none (the model then runs without a view).
void SetWaitWindowHost(CxWaitWindowHost* host);

// Called on the user-interface thread. Start makes a new current window, asks the host for its view
// and starts the tick thread; true when the thread was created.
bool StartWaitWindow(void* reactivate);
// Stops and joins the tick thread, destroys the view and reactivates the remembered window.
// Afterwards there is no current window.
void StopWaitWindow();
// Both do nothing without a current window; the status file is then not deleted either.
void SetWaitText(const char* text);
void SetWaitStatusFile(const char* path);

// The current window, null when none (for testing).
std::shared_ptr<CxCommWaitWindow> GetCurrentWaitWindow();
// Period of the tick thread in ms for windows started afterwards (for testing).
void SetWaitTickInterval(int ms);
