// Real saver windows for the host and animation tests: a fresh process-wide state, a window made
// exactly as the saver makes it, message pumping, fake clock and cursor, and object counts.
#pragma once
#include <windows.h>

#include <vector>

struct WalkerPopulation;
// The walkers of the window's first picture (its only one on a single screen).
WalkerPopulation& FirstPopulation();

// Fresh host, animation and module state, as at process start (this program's resources).
void ResetSaverState();

// Stored settings for the next window: speed level, walkers, event level, "SE".
void StoreSettings(int speed, int count, int event, int soundSetting);

// A saver window with the class, styles and size of the real one. With a parent it is a
// preview child filling the parent's client area. Initialisation has run when it returns.
HWND CreateSaverWindow(HWND parent = nullptr);
// A plain visible top-level window to host a preview, with the given client size.
HWND CreatePreviewHost(int clientWidth, int clientHeight);
// Destroys a saver window that is still there and drops its quit message.
void DisposeWindow(HWND window);

// Dispatches everything queued, without waiting; then drops a quit message if one came.
void Pump();
// Takes the queued messages of `window` in order, dispatching each, and returns their numbers.
std::vector<UINT> PumpRecording(HWND window);
// One tick the way the timer drives it: WM_TIMER, then the posted re-arm, then the paint.
void Tick(HWND window);
// Waits until `message` for the window is queued (left there), or 10 s have passed: a due
// timer can reach the queue a little late on a busy machine.
bool QueuedWithinDeadline(HWND window, UINT message);
// Removes a queued WM_CLOSE for the window; true if there was one.
bool TakeQueuedClose(HWND window);

// The fake cursor and clock the host reads while a test runs.
extern POINT FakeCursor;
extern DWORD FakeTick;
BOOL WINAPI FakeGetCursorPos(LPPOINT point);
DWORD WINAPI FakeGetTickCount();
void UseFakeCursorAndClock();

// Live GDI objects of this process (GetGuiResources where the platform counts them, else a walk
// over the handle table) and windows of this thread.
int CountGdiObjects();
int CountThreadWindows();

// A pixel of a window as it is on screen, 0x00BBGGRR.
COLORREF WindowPixel(HWND window, int x, int y);
