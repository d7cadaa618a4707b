// The screen-saver host: start-up and modes, the saver window and its message loop, the class
// window procedure, the default input handling that ends the saver, and the password hooks.
#pragma once
#include <windows.h>

#include <cstdint>

#include "animation/screen_geometry.h"

constexpr int32_t kFullScreenMode = 0;
constexpr int32_t kPreviewMode = 1;

constexpr UINT MSG_VERIFY_PASSWORD = WM_APP;
constexpr DWORD kNoVerificationYet = 0xFFFFFFFF;
constexpr DWORD kVerifyGap = 200;  // ms after a verification during which requests are refused
constexpr UINT kPreviewWatchMs = 1000;

constexpr const char* kSaverClassName = "WindowsScreenSaverClass";
constexpr const char* kFullScreenTitle = "Screen Saver";
constexpr const char* kPreviewTitle = "Preview";

using VerifyPwdFn = BOOL(WINAPI*)(HWND);
using PwdChangeFn = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
using ImmAssociateFn = HANDLE(WINAPI*)(HWND, HANDLE);

// Everything the host keeps about the one saver window of the process. Tests reset it by
// assigning a fresh value.
struct HostState {
    // Session
    int32_t SaverMode = kFullScreenMode;
    HWND SaverWindow = nullptr;
    HANDLE SaverLock = nullptr;  // full screen: held while this saver runs
    HMODULE PasswordComponent = nullptr;
    VerifyPwdFn VerifyPwdEntry = nullptr;  // set only while a component is loaded (or by tests)

    // Close verification
    int32_t CloseApproved = 0;  // once nonzero the window is closing, for good
    int32_t VerifyInProgress = 0;
    DWORD LastVerifyTick = kNoVerificationYet;
    POINT MouseReferencePoint{0, 0};

    // Input method, detached while the window lives
    HMODULE ImeModule = nullptr;
    ImmAssociateFn ImeAssociateEntry = nullptr;
    HANDLE SavedInputContext = nullptr;

    // Preview only: the thread timer that notices a host window gone with ours
    UINT_PTR PreviewWatchTimer = 0;

    // The clock and the cursor, replaceable so tests can choose times and positions.
    DWORD(WINAPI* tickSource)() = GetTickCount;
    BOOL(WINAPI* cursorSource)(LPPOINT) = GetCursorPos;
};

extern HostState Host;

// Start-up and modes
int SaverMain(HINSTANCE instance, HINSTANCE previousInstance, const char* commandTail,
              int showFlag);
const char* CommandTail(const char* commandLine);  // after the program name and its blanks
// The decimal handle at the start of `text`, or 0 when there is none or it does not fit 32 bits
// (a larger number must not wrap to someone else's window).
uint32_t ParseWindowHandle(const char* text);
int AttachPreview(const char* text);
int ShowSettingsDialog(HWND owner);
int RunPasswordChange(const char* text);
// The running state's guard ("/w <handle>", started by a protected saver with its own process
// handle): waits for that process to end, then switches the state off unless another saver
// runs by then. -1 when the handle is not such a process's.
int GuardRunningState(const char* text);
void CallPasswordChanger(HWND owner);

// Runs mode(argument) so that an unhandled fault first switches the running-saver state off and
// is then offered to the system's UnhandledExceptionFilter; when that answers
// EXCEPTION_EXECUTE_HANDLER the process ends with the result of switching the state off.
int RunFaultGuarded(int (*mode)(const char*), const char* argument);

// Saver window and message loop
int RunSaverSession(HWND parent);
// The first window of the saver's class and title that is shown, covers all of `screen` and
// answers a message (within a second for all of them together), or null. Only such a window is
// a running saver: a smaller, hidden or hung one would otherwise keep every later saver, and
// its password, away.
HWND CoveringSaver(const ScreenArea& screen);
// Full screen and the settings dialog see the screen in its real pixels and DPI, as one.
void DeclareDpiAware();
void LoadPasswordComponent();
void UnloadPasswordComponent();
BOOL SetScreenSaverRunning(BOOL on);
// Switches the running state off if this process switched it on (a component is loaded).
void EndRunningState();

// Default message handling and close verification
LRESULT CALLBACK HostDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int VerifyClose(HWND window);
// The one gate every close passes: nonzero when the window may close now. In full screen with
// no close approved yet it asks VerifyClose; a refusal moves the mouse reference point to the
// cursor, so the mouse must travel again before the next request.
int ApproveClose(HWND window);

// Host window procedure (the class procedure)
LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
