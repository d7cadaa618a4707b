// Looks at the saver from another process, for the end-to-end tests.
//
//   saver_probe running                      prints the system's screen-saver-running state (0/1)
//   saver_probe find [options]               waits for a top-level window, prints
//                                            "hwnd x y w h style exstyle pid"; status 1 if none
//       --class C  --title T  --owner HWND   what to look for (class and title exactly)
//       --wait-ms N                          how long to wait (default 0: look once)
//       --gone                               wait until no such window exists instead
//   saver_probe client HWND                  prints "x y w h": the client area in screen pixels
//   saver_probe run EXE HEXTAIL              starts EXE with exactly "EXE" + tail bytes (hex),
//                                            waits, prints the exit code and returns it
//   saver_probe run-two EXE HEXTAIL          the same with two copies started together; prints
//                                            both codes
//   saver_probe foreground                   prints the foreground window "hwnd class"
//   saver_probe cursor [X Y]                 moves the pointer to X,Y first, if given, as a program
//                                            can; prints where it is: "x y"
//   saver_probe screens                      prints "monitors N virtual X Y W H primary W H"
//   saver_probe desktop                      prints the desktop window's handle
//   saver_probe watch-screens MS             prints "W H" of the virtual screen at once and at
//                                            each change Wine reports, looking every 1 ms, for MS
//   saver_probe decoy hidden|hung|small MS   a window of the saver's class and title, hidden (and
//                                            answering), shown but never answering, or shown,
//                                            answering and 1x1 off screen; prints
//                                            "decoy HWND" and lives MS milliseconds
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Query {
    const char* cls = nullptr;
    const char* title = nullptr;
    HWND owner = nullptr;
    bool wantOwner = false;
    HWND found = nullptr;
};

// Both sides in the ANSI code page: Wine hands a Unix argument to main() in that code page.
bool TitleIs(HWND window, const char* title) {
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return std::strcmp(text, title) == 0;
}

BOOL CALLBACK Match(HWND window, LPARAM param) {
    Query* q = reinterpret_cast<Query*>(param);
    if (q->cls) {
        char cls[256] = "";
        GetClassNameA(window, cls, sizeof cls);
        if (std::strcmp(cls, q->cls) != 0) return TRUE;
    }
    if (q->title && !TitleIs(window, q->title)) return TRUE;
    if (q->wantOwner && GetWindow(window, GW_OWNER) != q->owner) return TRUE;
    if (!IsWindowVisible(window)) return TRUE;
    q->found = window;
    return FALSE;
}

HWND FindTopLevel(Query q) {
    EnumWindows(Match, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

HWND ParseHandle(const char* text) {
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::strtoul(text, nullptr, 10)));
}

void PrintWindow(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    std::printf("%lu %ld %ld %ld %ld 0x%08lX 0x%08lX %lu\n", (unsigned long)(ULONG_PTR)window,
                r.left, r.top, r.right - r.left, r.bottom - r.top,
                (unsigned long)GetWindowLongA(window, GWL_STYLE),
                (unsigned long)GetWindowLongA(window, GWL_EXSTYLE), (unsigned long)pid);
}

int Find(int argc, char** argv) {
    Query q;
    DWORD waitMs = 0;
    bool gone = false;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--class") && i + 1 < argc)
            q.cls = argv[++i];
        else if (!std::strcmp(argv[i], "--title") && i + 1 < argc)
            q.title = argv[++i];
        else if (!std::strcmp(argv[i], "--owner") && i + 1 < argc) {
            q.owner = ParseHandle(argv[++i]);
            q.wantOwner = true;
        } else if (!std::strcmp(argv[i], "--wait-ms") && i + 1 < argc)
            waitMs = std::strtoul(argv[++i], nullptr, 10);
        else if (!std::strcmp(argv[i], "--gone"))
            gone = true;
        else {
            std::fprintf(stderr, "find: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindTopLevel(q);
        if (!gone && window) {
            PrintWindow(window);
            return 0;
        }
        if (gone && !window) return 0;
        if (GetTickCount() - start >= waitMs) return 1;
        Sleep(20);
    }
}

int Client(HWND window) {
    if (!IsWindow(window)) return 1;
    RECT r{};
    GetClientRect(window, &r);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    std::printf("%ld %ld %ld %ld\n", origin.x, origin.y, r.right, r.bottom);
    return 0;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int Run(const char* exe, const char* hex, int copies) {
    char line[1024];
    int n = std::snprintf(line, sizeof line, "\"%s\"", exe);
    size_t len = std::strlen(hex);
    if (len % 2 || n + len / 2 + 1 > sizeof line) return 2;
    for (size_t i = 0; i < len; i += 2) {
        int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) return 2;
        line[n++] = static_cast<char>(hi * 16 + lo);
    }
    line[n] = 0;
    // Several copies start one right after the other, before any of them has got far.
    PROCESS_INFORMATION pi[2]{};
    for (int i = 0; i < copies; ++i) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        if (!CreateProcessA(exe, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi[i])) {
            std::fprintf(stderr, "run: cannot start %s (error %lu)\n", exe, GetLastError());
            return 2;
        }
    }
    DWORD result = 0;
    for (int i = 0; i < copies; ++i) {
        WaitForSingleObject(pi[i].hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(pi[i].hProcess, &code);
        CloseHandle(pi[i].hThread);
        CloseHandle(pi[i].hProcess);
        std::printf(i + 1 < copies ? "%ld " : "%ld\n", static_cast<long>(code));
        if (result == 0) result = code;
    }
    return static_cast<int>(result);
}

int Decoy(const char* kind, DWORD lifeMs) {
    const bool hung = !std::strcmp(kind, "hung");
    const bool small = !std::strcmp(kind, "small");
    const int at = small ? -10 : 0;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "WindowsScreenSaverClass";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "Screen Saver",
                                  WS_POPUP | (hung || small ? WS_VISIBLE : 0), at, at, 1, 1,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window) return 1;
    std::printf("decoy %lu\n", (unsigned long)(ULONG_PTR)window);
    std::fflush(stdout);
    if (hung) {
        Sleep(lifeMs);  // no message is ever taken from the queue
        return 0;
    }
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < lifeMs) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: saver_probe running|find|client|run|foreground ...\n");
        return 2;
    }
    const char* cmd = argv[1];
    int rc = 2;
    if (!std::strcmp(cmd, "running")) {
        BOOL running = FALSE;
        if (!SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0))
            rc = 1;
        else {
            std::printf("%d\n", running ? 1 : 0);
            rc = 0;
        }
    } else if (!std::strcmp(cmd, "find")) {
        rc = Find(argc - 2, argv + 2);
    } else if (!std::strcmp(cmd, "client") && argc == 3) {
        rc = Client(ParseHandle(argv[2]));
    } else if (!std::strcmp(cmd, "run-two") && argc == 4) {
        rc = Run(argv[2], argv[3], 2);
    } else if (!std::strcmp(cmd, "run") && argc == 4) {
        rc = Run(argv[2], argv[3], 1);
    } else if (!std::strcmp(cmd, "cursor") && (argc == 2 || argc == 4)) {
        if (argc == 4) SetCursorPos(std::atoi(argv[2]), std::atoi(argv[3]));
        POINT at{};
        GetCursorPos(&at);
        std::printf("%ld %ld\n", at.x, at.y);
        rc = 0;
    } else if (!std::strcmp(cmd, "screens")) {
        std::printf("monitors %d virtual %d %d %d %d primary %d %d\n",
                    GetSystemMetrics(SM_CMONITORS), GetSystemMetrics(SM_XVIRTUALSCREEN),
                    GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN),
                    GetSystemMetrics(SM_CYVIRTUALSCREEN), GetSystemMetrics(SM_CXSCREEN),
                    GetSystemMetrics(SM_CYSCREEN));
        rc = 0;
    } else if (!std::strcmp(cmd, "watch-screens") && argc == 3) {
        const DWORD start = GetTickCount(), life = std::strtoul(argv[2], nullptr, 10);
        int w = -1, h = -1;
        while (GetTickCount() - start < life) {
            if (GetSystemMetrics(SM_CXVIRTUALSCREEN) != w ||
                GetSystemMetrics(SM_CYVIRTUALSCREEN) != h) {
                w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
                std::printf("%d %d\n", w, h);
                std::fflush(stdout);
            }
            Sleep(1);
        }
        rc = 0;
    } else if (!std::strcmp(cmd, "desktop")) {
        std::printf("%lu\n", (unsigned long)(ULONG_PTR)GetDesktopWindow());
        rc = 0;
    } else if (!std::strcmp(cmd, "decoy") && argc == 4) {
        rc = Decoy(argv[2], std::strtoul(argv[3], nullptr, 10));
    } else if (!std::strcmp(cmd, "foreground")) {
        HWND window = GetForegroundWindow();
        char cls[128] = "";
        if (window) GetClassNameA(window, cls, sizeof cls);
        std::printf("%lu %s\n", (unsigned long)(ULONG_PTR)window, cls[0] ? cls : "-");
        rc = 0;
    } else {
        std::fprintf(stderr, "saver_probe: unknown command %s\n", cmd);
    }
    std::fflush(stdout);
    return rc;
}
