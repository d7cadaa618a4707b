// Plays the part of the display settings' preview window for the end-to-end tests: a top-level
// window whose handle goes on the saver's command line. It reports on stdout, one line each:
//   host HWND                       its own window, as soon as it exists
//   launched PID                    the saver was started
//   child HWND X Y W H STYLE CW CH  a saver child appeared at X,Y (client coordinates), size W x H,
//                                   inside a client area of CW x CH
//   dialog HWND X Y W H OX OY CX CY a dialog owned by this window appeared at X,Y (screen); OX,OY
//                                   is the screen position of this window's client origin, CX,CY
//                                   that of the dialog's client origin
//   saver-exit CODE                 the saver process ended with CODE
//   saver-still-running             it did not end within 10 s of this window going away
//
//   preview_host [--size WxH] [--pos X,Y] [--launch EXE --tail FORMAT] [--quit-file PATH]
//                [--timeout-ms N]
// FORMAT is the command tail with %u standing for this window's handle, e.g. "/p %u".
// The window is destroyed when PATH exists or after N ms (default 60000).
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct HostState {
    HWND window = nullptr;
    const char* quitFile = nullptr;
    DWORD deadline = 0;
    HANDLE saver = nullptr;
    bool saverReported = false;
    HWND child = nullptr;
    HWND dialog = nullptr;
};

HostState g_host;

void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

void ReportSaverExit() {
    if (!g_host.saver || g_host.saverReported) return;
    if (WaitForSingleObject(g_host.saver, 0) != WAIT_OBJECT_0) return;
    DWORD code = 0;
    GetExitCodeProcess(g_host.saver, &code);
    Say("saver-exit %ld\n", static_cast<long>(code));
    g_host.saverReported = true;
}

BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM) {
    char cls[64] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0 && GetWindow(window, GW_OWNER) == g_host.window &&
        IsWindowVisible(window)) {
        g_host.dialog = window;
        return FALSE;
    }
    return TRUE;
}

void Look() {
    if (!g_host.child) {
        // Reported once its creation is over: the style gains WS_VISIBLE only at its end.
        HWND child = FindWindowExA(g_host.window, nullptr, "WindowsScreenSaverClass", nullptr);
        if (child && IsWindowVisible(child)) {
            g_host.child = child;
            RECT r{}, client{};
            GetWindowRect(child, &r);
            MapWindowPoints(nullptr, g_host.window, reinterpret_cast<POINT*>(&r), 2);
            GetClientRect(g_host.window, &client);
            Say("child %lu %ld %ld %ld %ld 0x%08lX %ld %ld\n", (unsigned long)(ULONG_PTR)child,
                r.left, r.top, r.right - r.left, r.bottom - r.top,
                (unsigned long)GetWindowLongA(child, GWL_STYLE), client.right, client.bottom);
        }
    }
    if (!g_host.dialog) {
        EnumWindows(FindOwnedDialog, 0);
        if (g_host.dialog) {
            RECT r{};
            GetWindowRect(g_host.dialog, &r);
            POINT origin{0, 0}, client{0, 0};
            ClientToScreen(g_host.window, &origin);
            ClientToScreen(g_host.dialog, &client);
            Say("dialog %lu %ld %ld %ld %ld %ld %ld %ld %ld\n",
                (unsigned long)(ULONG_PTR)g_host.dialog, r.left, r.top, r.right - r.left,
                r.bottom - r.top, origin.x, origin.y, client.x, client.y);
        }
    }
    ReportSaverExit();
    bool quit = g_host.quitFile && GetFileAttributesA(g_host.quitFile) != INVALID_FILE_ATTRIBUTES;
    if (quit || static_cast<LONG>(GetTickCount() - g_host.deadline) >= 0)
        DestroyWindow(g_host.window);
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            Look();
            return 0;
        case WM_DESTROY:
            KillTimer(window, 1);
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool Launch(const char* exe, const char* format) {
    char tail[512];
    const char* mark = std::strstr(format, "%u");
    if (mark) {
        std::snprintf(tail, sizeof tail, "%.*s%lu%s", static_cast<int>(mark - format), format,
                      (unsigned long)(ULONG_PTR)g_host.window, mark + 2);
    } else {
        std::snprintf(tail, sizeof tail, "%s", format);
    }
    char line[1024];
    std::snprintf(line, sizeof line, "\"%s\" %s", exe, tail);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(exe, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        Say("launch-failed %lu\n", GetLastError());
        return false;
    }
    CloseHandle(pi.hThread);
    g_host.saver = pi.hProcess;
    Say("launched %lu\n", pi.dwProcessId);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int width = 320, height = 240, x = 100, y = 80;
    const char* exe = nullptr;
    const char* format = "/p %u";
    DWORD timeout = 60000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const char* value = argv[i + 1];
        if (!std::strcmp(argv[i], "--size"))
            std::sscanf(value, "%dx%d", &width, &height);
        else if (!std::strcmp(argv[i], "--pos"))
            std::sscanf(value, "%d,%d", &x, &y);
        else if (!std::strcmp(argv[i], "--launch"))
            exe = value;
        else if (!std::strcmp(argv[i], "--tail"))
            format = value;
        else if (!std::strcmp(argv[i], "--quit-file"))
            g_host.quitFile = value;
        else if (!std::strcmp(argv[i], "--timeout-ms"))
            timeout = std::strtoul(value, nullptr, 10);
        else {
            std::fprintf(stderr, "preview_host: unknown argument %s\n", argv[i]);
            return 2;
        }
    }

    WNDCLASSA wc{};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "TekutekuPreviewHost";
    RegisterClassA(&wc);
    RECT frame{0, 0, width, height};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    g_host.window =
        CreateWindowA("TekutekuPreviewHost", "Preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y,
                      frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                      wc.hInstance, nullptr);
    if (!g_host.window) return 1;
    SetForegroundWindow(g_host.window);
    Say("host %lu\n", (unsigned long)(ULONG_PTR)g_host.window);
    g_host.deadline = GetTickCount() + timeout;
    SetTimer(g_host.window, 1, 20, nullptr);
    if (exe && !Launch(exe, format)) DestroyWindow(g_host.window);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    if (g_host.saver) {
        if (!g_host.saverReported && WaitForSingleObject(g_host.saver, 30000) != WAIT_OBJECT_0) {
            Say("saver-still-running\n");
            TerminateProcess(g_host.saver, 3);
        }
        ReportSaverExit();
        CloseHandle(g_host.saver);
    }
    return 0;
}
