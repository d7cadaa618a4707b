// Posts WM_CLOSE to a top-level window found by class and title, as another program would.
//   send_close [--class C] [--title T]      (defaults: the full-screen saver window)
// Status 0 when posted, 1 when no such window exists.
#include <windows.h>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    const char* cls = "WindowsScreenSaverClass";
    const char* title = "Screen Saver";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--class")) cls = argv[i + 1];
        else if (!std::strcmp(argv[i], "--title")) title = argv[i + 1];
    }
    HWND window = FindWindowA(cls, title);
    if (!window) {
        std::fprintf(stderr, "send_close: no window %s / %s\n", cls, title);
        return 1;
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    std::printf("%lu\n", (unsigned long)(ULONG_PTR)window);
    return 0;
}
