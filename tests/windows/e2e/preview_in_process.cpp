// Runs the saver's preview mode inside a window of this very process, through the saver's own
// start-up code, so that its painting reaches the screen (Wine does not show what another
// process paints into a child window). Used for the preview screenshot and its pixel check.
//
//   preview_in_process [--size WxH] [--pos X,Y] [--ms N]
// Prints "host HWND X Y W H" (the client area on the screen) once the preview runs, then after
// N ms (default 3000) "pixels NONBLACK TOTAL" read back from the client area, closes the
// window, and prints "exit CODE", the saver's result.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/host.h"

namespace {

struct SnapshotState {
    HWND host = nullptr;
    int width = 256;
    int height = 192;
};

SnapshotState g_snap;

void CountPixels() {
    HDC window = GetDC(g_snap.host);
    HDC memory = CreateCompatibleDC(window);
    HBITMAP bitmap = CreateCompatibleBitmap(window, g_snap.width, g_snap.height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, g_snap.width, g_snap.height, window, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = g_snap.width;
    info.bmiHeader.biHeight = -g_snap.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const int total = g_snap.width * g_snap.height;
    DWORD* pixels = static_cast<DWORD*>(std::calloc(total, sizeof(DWORD)));
    int nonBlack = 0;
    if (pixels && GetDIBits(memory, bitmap, 0, g_snap.height, pixels, &info, DIB_RGB_COLORS)) {
        for (int i = 0; i < total; ++i)
            if (pixels[i] & 0xFFFFFF) ++nonBlack;
    }
    std::free(pixels);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(g_snap.host, window);
    std::printf("pixels %d %d\n", nonBlack, total);
    std::fflush(stdout);
}

void CALLBACK Announce(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    POINT origin{0, 0};
    ClientToScreen(g_snap.host, &origin);
    std::printf("host %lu %ld %ld %d %d\n", (unsigned long)(ULONG_PTR)g_snap.host, origin.x,
                origin.y, g_snap.width, g_snap.height);
    std::fflush(stdout);
}

void CALLBACK Finish(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    CountPixels();
    DestroyWindow(g_snap.host);  // the saver child goes with it and its loop ends
}

}  // namespace

int main(int argc, char** argv) {
    int x = 100, y = 100;
    UINT ms = 3000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--size"))
            std::sscanf(argv[i + 1], "%dx%d", &g_snap.width, &g_snap.height);
        else if (!std::strcmp(argv[i], "--pos"))
            std::sscanf(argv[i + 1], "%d,%d", &x, &y);
        else if (!std::strcmp(argv[i], "--ms"))
            ms = std::strtoul(argv[i + 1], nullptr, 10);
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = "TekutekuPreviewSnapshot";
    RegisterClassA(&wc);
    RECT frame{0, 0, g_snap.width, g_snap.height};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    g_snap.host = CreateWindowA(wc.lpszClassName, "Preview", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                nullptr, instance, nullptr);
    if (!g_snap.host) return 1;
    SetTimer(nullptr, 0, 300, Announce);
    SetTimer(nullptr, 0, ms, Finish);
    char tail[32];
    std::snprintf(tail, sizeof tail, "/p %lu", (unsigned long)(ULONG_PTR)g_snap.host);
    int code = SaverMain(instance, nullptr, tail, SW_SHOWNORMAL);
    std::printf("exit %d\n", code);
    std::fflush(stdout);
    return 0;
}
