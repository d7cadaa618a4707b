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

// How long the saver waits, in all, for running savers to answer before it starts anyway.
constexpr UINT kAnswerWithinMs = 1000;

// One full-screen saver runs at a time, but only a live one counts: the first window of the
// saver's class and title that is visible and answers a message within a second (for all of
// them together), or null. A hidden window, or one whose program hangs, would otherwise keep
// every later saver, and its password, away for good.
HWND RunningSaver() {
    const DWORD start = GetTickCount();
    HWND window = nullptr;
    for (;;) {
        window = FindWindowExA(nullptr, window, kSaverClassName, kFullScreenTitle);
        if (window == nullptr) break;
        const DWORD spent = GetTickCount() - start;
        if (spent >= kAnswerWithinMs) break;
        DWORD_PTR answer = 0;
        if (IsWindowVisible(window) &&
            SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                                kAnswerWithinMs - spent, &answer) != 0) {
            return window;
        }
    }
    return nullptr;
}

}  // namespace

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
        HWND running = RunningSaver();
        if (running != nullptr) {
            SetForegroundWindow(running);
            return 0;
        }
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
    return static_cast<int>(message.wParam);
}
