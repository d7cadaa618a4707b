#include "animation/win32/animation_window.h"
#include "host/host.h"
#include "resources/resource_ids.h"
#include "settings/win32/module_instance.h"

HostState Host;

namespace {

constexpr DWORD kFullScreenStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kPreviewStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
// Returned when no window could be made, so the message loop never ran.
constexpr int kNoWindowResult = -1;
// The C runtimes' number for the abort signal.
constexpr int kAbortSignal = 22;

// A component's C runtime ends the process through abort(), called by the component itself or
// by the runtime's end after a C++ exception that nothing caught. The runtime first calls the
// abort signal's handler, which is ours.
void __cdecl OnRuntimeAbort(int) { EndRunningState(); }

void HandleRuntimeAborts() {
    using Handler = void(__cdecl*)(int);
    using SignalFn = Handler(__cdecl*)(int, Handler);
    static const char* const runtimes[] = {"MSVCRT.DLL", "UCRTBASE.DLL"};
    for (const char* name : runtimes) {
        HMODULE runtime = GetModuleHandleA(name);
        if (runtime == nullptr) continue;
        const auto setHandler =
            reinterpret_cast<SignalFn>(reinterpret_cast<void*>(GetProcAddress(runtime, "signal")));
        if (setHandler != nullptr) setHandler(kAbortSignal, OnRuntimeAbort);
    }
}

// However this process ends, short of being killed, the running state must go off after it: a
// component's C runtime may end it by any road, and Wine runs none of the program's code at
// ExitProcess. So a second copy of the program waits for this one to end (and sees it killed
// too). Where it cannot be started, the ordinary ends still switch the state off.
void StartStateGuard() {
    HANDLE self = nullptr;
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path ||
        !DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                         SYNCHRONIZE | PROCESS_QUERY_INFORMATION, TRUE, 0)) {
        return;
    }
    char line[MAX_PATH + 32];
    wsprintfA(line, "\"%s\" /w %lu", path,
              static_cast<unsigned long>(reinterpret_cast<uintptr_t>(self)));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION guard{};
    if (CreateProcessA(path, line, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &guard)) {
        CloseHandle(guard.hThread);
        CloseHandle(guard.hProcess);
    }
    CloseHandle(self);
}

// How long the saver waits, in all, for running savers to answer before it starts anyway.
constexpr UINT kAnswerWithinMs = 1000;
// Held by the one full-screen saver of this program while it runs.
constexpr const char* kSaverLockName = "TekutekuFullScreenSaver";

bool WindowCovers(HWND window, const ScreenArea& screen) {
    RECT frame;
    return GetWindowRect(window, &frame) != 0 && frame.left <= screen.left &&
           frame.top <= screen.top && frame.right >= screen.left + screen.width &&
           frame.bottom >= screen.top + screen.height;
}

// True when this process now holds the saver lock. Two savers started together both get here
// before either has a window: the lock, not the windows, picks the one that runs. Where no
// lock can be made (the name taken by an object of another kind) the saver runs all the same.
bool TakeSaverLock() {
    Host.SaverLock = CreateMutexA(nullptr, FALSE, kSaverLockName);
    if (Host.SaverLock == nullptr) return true;
    const DWORD taken = WaitForSingleObject(Host.SaverLock, 0);
    // Abandoned: the saver that held it ended without letting go (it was killed).
    if (taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED) return true;
    CloseHandle(Host.SaverLock);
    Host.SaverLock = nullptr;
    return false;
}

void ReleaseSaverLock() {
    if (Host.SaverLock == nullptr) return;
    ReleaseMutex(Host.SaverLock);
    CloseHandle(Host.SaverLock);
    Host.SaverLock = nullptr;
}

// Brings the running saver, which holds the lock, to the front where its window is up yet.
void ShowLockHolder() {
    HWND window = FindWindowExA(nullptr, nullptr, kSaverClassName, kFullScreenTitle);
    if (window != nullptr && IsWindowVisible(window)) SetForegroundWindow(window);
}

// One full-screen saver runs at a time: a second one leaves at once when the lock is taken,
// or when another screen saver's window (of the class every saver shares) already covers the
// whole screen. False when this one is to leave.
bool FirstFullScreenSaver(const ScreenArea& covered) {
    if (!TakeSaverLock()) {
        ShowLockHolder();
        return false;
    }
    HWND running = CoveringSaver(covered);
    if (running == nullptr) return true;
    ReleaseSaverLock();
    SetForegroundWindow(running);
    return false;
}

}  // namespace

HWND CoveringSaver(const ScreenArea& screen) {
    const DWORD start = GetTickCount();
    HWND window = nullptr;
    for (;;) {
        window = FindWindowExA(nullptr, window, kSaverClassName, kFullScreenTitle);
        if (window == nullptr) break;
        const DWORD spent = GetTickCount() - start;
        if (spent >= kAnswerWithinMs) break;
        DWORD_PTR answer = 0;
        if (IsWindowVisible(window) && WindowCovers(window, screen) &&
            SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                                kAnswerWithinMs - spent, &answer) != 0) {
            return window;
        }
    }
    return nullptr;
}

int GuardRunningState(const char* text) {
    const uint32_t value = ParseWindowHandle(text);
    HANDLE saver = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
    DWORD code = 0;
    // Only a process handle handed down by the saver: anything else ends the guard at once.
    if (value == 0 || !GetExitCodeProcess(saver, &code) ||
        WaitForSingleObject(saver, INFINITE) != WAIT_OBJECT_0) {
        return -1;
    }
    // A saver started since then owns the state, and holds the lock.
    if (!TakeSaverLock()) return 0;
    SetScreenSaverRunning(FALSE);
    ReleaseSaverLock();
    return 0;
}

// Tells Windows Vista and later that the saver draws for the screen's real DPI, so the system
// does not stretch (and blur) its window. Earlier systems have no such call and do not stretch.
void DeclareDpiAware() {
    using SetDpiAwareFn = BOOL(WINAPI*)();
    HMODULE user = GetModuleHandleA("USER32.DLL");
    if (user == nullptr) return;
    const auto declare = reinterpret_cast<SetDpiAwareFn>(
        reinterpret_cast<void*>(GetProcAddress(user, "SetProcessDPIAware")));
    if (declare != nullptr) declare();
}

BOOL SetScreenSaverRunning(BOOL on) {
    UINT previous = 0;  // the platform may report the old state here; nobody looks at it
    return SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, on, &previous, 0);
}

void EndRunningState() {
    if (Host.VerifyPwdEntry != nullptr) SetScreenSaverRunning(FALSE);
}

void UnloadPasswordComponent() {
    if (Host.PasswordComponent == nullptr) return;
    FreeLibrary(Host.PasswordComponent);
    Host.PasswordComponent = nullptr;
    if (Host.VerifyPwdEntry != nullptr) {
        Host.VerifyPwdEntry = nullptr;
        SetScreenSaverRunning(FALSE);
    }
}

void LoadPasswordComponent() {
    if (Host.PasswordComponent != nullptr) UnloadPasswordComponent();
    HKEY key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key) != ERROR_SUCCESS) return;
    DWORD usePassword = 0;  // a shorter value fills only the low bytes
    DWORD size = sizeof usePassword;
    if (RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(&usePassword), &size) == ERROR_SUCCESS &&
        usePassword != 0) {
        Host.PasswordComponent = LoadLibraryA("PASSWORD.CPL");
        if (Host.PasswordComponent != nullptr) {
            Host.VerifyPwdEntry = reinterpret_cast<VerifyPwdFn>(reinterpret_cast<void*>(
                GetProcAddress(Host.PasswordComponent, "VerifyScreenSavePwd")));
            if (Host.VerifyPwdEntry != nullptr) {
                SetScreenSaverRunning(TRUE);
                HandleRuntimeAborts();
                StartStateGuard();
            } else {
                UnloadPasswordComponent();
            }
        }
    }
    RegCloseKey(key);
}

int RunSaverSession(HWND parent) {
    WNDCLASSA windowClass{};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    windowClass.lpfnWndProc = HostWindowProc;
    windowClass.hInstance = ModuleInstance;
    windowClass.hIcon = LoadIconA(ModuleInstance, MAKEINTRESOURCEA(IDI_SAVER));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kSaverClassName;

    DWORD exStyle = 0;
    DWORD style;
    const char* title;
    int left = 0;
    int top = 0;
    int width;
    int height;
    if (parent != nullptr) {
        RECT client;
        GetClientRect(parent, &client);
        width = client.right;
        height = client.bottom;
        style = kPreviewStyle;
        title = kPreviewTitle;
        Host.SaverMode = kPreviewMode;
    } else {
        // Every monitor: the whole virtual screen, where the system knows one.
        DeclareDpiAware();
        const ScreenArea covered = CoveredArea(ReadScreenMetrics());
        left = covered.left;
        top = covered.top;
        width = covered.width;
        height = covered.height;
        style = kFullScreenStyle;
        title = kFullScreenTitle;
        if (!FirstFullScreenSaver(covered)) return 0;
        LoadPasswordComponent();
        exStyle = WS_EX_TOPMOST;
    }

    MSG message{};
    message.wParam = static_cast<WPARAM>(kNoWindowResult);
    if (RegisterClassA(&windowClass) != 0) {
        Host.SaverWindow = CreateWindowExA(exStyle, kSaverClassName, title, style, left, top, width,
                                           height, parent, nullptr, ModuleInstance, nullptr);
    }
    if (Host.SaverWindow != nullptr) {
        if (Host.SaverMode == kFullScreenMode) SetForegroundWindow(Host.SaverWindow);
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    UnloadPasswordComponent();
    ReleaseSaverLock();
    return static_cast<int>(message.wParam);
}
