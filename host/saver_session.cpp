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
        HWND running = FindWindowA(kSaverClassName, kFullScreenTitle);
        if (running != nullptr && IsWindow(running)) {
            SetForegroundWindow(running);
            return 0;
        }
        LoadPasswordComponent();
        exStyle = WS_EX_TOPMOST;
    }

    MSG message{};
    message.wParam = static_cast<WPARAM>(kNoWindowResult);
    if (RegisterClassA(&windowClass) != 0) {
        Host.SaverWindow = CreateWindowExA(exStyle, kSaverClassName, title, style, left, top,
                                           width, height, parent, nullptr, ModuleInstance, nullptr);
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
