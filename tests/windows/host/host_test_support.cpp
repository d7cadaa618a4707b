#include "host_test_support.h"

#include "animation/win32/animation_window.h"
#include "host/host.h"
#include "settings/win32/module_instance.h"
#include "settings/win32/profile_win32.h"

POINT FakeCursor{0, 0};
DWORD FakeTick = 0;

BOOL WINAPI FakeGetCursorPos(LPPOINT point) {
    *point = FakeCursor;
    return TRUE;
}

DWORD WINAPI FakeGetTickCount() { return FakeTick; }

void UseFakeCursorAndClock() {
    Host.cursorSource = FakeGetCursorPos;
    Host.tickSource = FakeGetTickCount;
}

WalkerPopulation& FirstPopulation() { return Animation.pictures.pictures[0].population; }

void ResetSaverState() {
    Host = HostState{};
    Animation = AnimationState{};
    ModuleInstance = GetModuleHandleA(nullptr);
    FakeCursor = POINT{0, 0};
    FakeTick = 0;
}

void StoreSettings(int speed, int count, int event, int soundSetting) {
    ProfileLocation location;
    LoadProfileLocation(location);
    WriteDialogSettings(location, speed, count, event, soundSetting);
}

namespace {

// Registered again whenever needed: a session run in between may have unregistered it.
void RegisterSaverClass() {
    WNDCLASSA windowClass{};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    windowClass.lpfnWndProc = HostWindowProc;
    windowClass.hInstance = ModuleInstance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kSaverClassName;
    RegisterClassA(&windowClass);  // fails harmlessly when it is already there
}

void DropQuit() {
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
}

}  // namespace

HWND CreateSaverWindow(HWND parent) {
    RegisterSaverClass();
    HWND window;
    if (parent != nullptr) {
        Host.SaverMode = kPreviewMode;
        RECT client;
        GetClientRect(parent, &client);
        window = CreateWindowExA(0, kSaverClassName, kPreviewTitle,
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, client.right,
                                 client.bottom, parent, nullptr, ModuleInstance, nullptr);
    } else {
        window = CreateWindowExA(WS_EX_TOPMOST, kSaverClassName, kFullScreenTitle,
                                 WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                                 GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                 nullptr, nullptr, ModuleInstance, nullptr);
        SetForegroundWindow(window);
    }
    Host.SaverWindow = window;
    Pump();  // the deferred initialisation
    return window;
}

HWND CreatePreviewHost(int clientWidth, int clientHeight) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        windowClass.lpszClassName = "TekutekuTestPreviewHost";
        registered = RegisterClassA(&windowClass) != 0;
    }
    RECT frame{0, 0, clientWidth, clientHeight};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE | WS_CLIPCHILDREN;
    AdjustWindowRect(&frame, style, FALSE);
    HWND host = CreateWindowExA(0, "TekutekuTestPreviewHost", "preview host", style, 40, 40,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    Pump();
    return host;
}

void DisposeWindow(HWND window) {
    if (IsWindow(window)) DestroyWindow(window);
    Pump();
}

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    DropQuit();
}

std::vector<UINT> PumpRecording(HWND window) {
    std::vector<UINT> seen;
    MSG message;
    while (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
        seen.push_back(message.message);
        DispatchMessageA(&message);
    }
    return seen;
}

void Tick(HWND window) {
    SendMessageA(window, WM_TIMER, kTickTimerId, 0);
    MSG message;
    while (PeekMessageA(&message, window, MSG_ARM_TIMER, MSG_ARM_TIMER, PM_REMOVE)) {
        DispatchMessageA(&message);
    }
    UpdateWindow(window);
}

bool QueuedWithinDeadline(HWND window, UINT message) {
    const DWORD start = GetTickCount();
    MSG queued;
    while (!PeekMessageA(&queued, window, message, message, PM_NOREMOVE)) {
        if (GetTickCount() - start >= 10000) return false;
        Sleep(5);
    }
    return true;
}

bool TakeQueuedClose(HWND window) {
    MSG message;
    return PeekMessageA(&message, window, WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0;
}

int CountGdiObjects() {
    const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (counted != 0) return static_cast<int>(counted);
    // The platform does not count: every live object answers GetObjectType by its table index.
    int live = 0;
    for (uintptr_t index = 1; index < 0x10000; ++index) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++live;
    }
    return live;
}

namespace {

BOOL CALLBACK CountChild(HWND, LPARAM counter) {
    *reinterpret_cast<int*>(counter) += 1;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM counter) {
    *reinterpret_cast<int*>(counter) += 1;
    EnumChildWindows(window, CountChild, counter);
    return TRUE;
}

}  // namespace

int CountThreadWindows() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountTopLevel, reinterpret_cast<LPARAM>(&count));
    return count;
}

COLORREF WindowPixel(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    const COLORREF pixel = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return pixel;
}
