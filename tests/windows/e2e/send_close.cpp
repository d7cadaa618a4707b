// Posts WM_CLOSE (or another message) to a top-level window found by class and title, as
// another program would.
//   send_close [--class C] [--title T] [--message N] [--wparam N] [--count K] [--send]
// Defaults: the full-screen saver window, WM_CLOSE, wParam 0, once, posted. With --send each
// message is sent instead and the call returns only when the window has handled it (or after
// 5 s, when the window does not answer); the results are printed, one per line, "timeout" for
// one that did not return. Numbers may be decimal or 0x hexadecimal.
// Status 0 when everything was delivered, 1 when no such window exists, 3 on a timeout.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    const char* cls = "WindowsScreenSaverClass";
    const char* title = "Screen Saver";
    UINT message = WM_CLOSE;
    WPARAM wParam = 0;
    long count = 1;
    bool send = false;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--send"))
            send = true;
        else if (hasValue && !std::strcmp(argv[i], "--class"))
            cls = argv[++i];
        else if (hasValue && !std::strcmp(argv[i], "--title"))
            title = argv[++i];
        else if (hasValue && !std::strcmp(argv[i], "--message"))
            message = std::strtoul(argv[++i], nullptr, 0);
        else if (hasValue && !std::strcmp(argv[i], "--wparam"))
            wParam = std::strtoul(argv[++i], nullptr, 0);
        else if (hasValue && !std::strcmp(argv[i], "--count"))
            count = std::strtol(argv[++i], nullptr, 0);
        else {
            std::fprintf(stderr, "send_close: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    HWND window = FindWindowA(cls, title);
    if (!window) {
        std::fprintf(stderr, "send_close: no window %s / %s\n", cls, title);
        return 1;
    }
    int status = 0;
    for (long i = 0; i < count; ++i) {
        if (!send) {
            PostMessageA(window, message, wParam, 0);
            continue;
        }
        DWORD_PTR result = 0;
        if (SendMessageTimeoutA(window, message, wParam, 0, SMTO_NORMAL, 5000, &result)) {
            std::printf("%lu\n", (unsigned long)result);
        } else {
            std::printf("timeout\n");
            status = 3;
        }
    }
    if (!send) std::printf("%lu\n", (unsigned long)(ULONG_PTR)window);
    return status;
}
