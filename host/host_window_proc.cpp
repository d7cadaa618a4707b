#include "animation/win32/animation_window.h"
#include "host/host.h"

namespace {

// The input method stays off while the saver runs, but only if the process already had it.
void DetachInputMethod(HWND window) {
    Host.ImeModule = GetModuleHandleA("IMM32.DLL");
    if (Host.ImeModule == nullptr) return;
    Host.ImeAssociateEntry = reinterpret_cast<ImmAssociateFn>(
        reinterpret_cast<void*>(GetProcAddress(Host.ImeModule, "ImmAssociateContext")));
    if (Host.ImeAssociateEntry != nullptr) {
        Host.SavedInputContext = Host.ImeAssociateEntry(window, nullptr);
    }
}

void RestoreInputMethod(HWND window) {
    if (Host.ImeModule != nullptr && Host.ImeAssociateEntry != nullptr &&
        Host.SavedInputContext != nullptr) {
        Host.ImeAssociateEntry(window, Host.SavedInputContext);
    }
}

// A preview whose host window has gone (its program killed, say) would otherwise live on alone.
// Where the system took our window with the host's without a destroy message (Wine does), no
// tick comes any more: a slow thread timer asks the same question. True when it ended the preview.
bool EndPreviewIfOrphaned(HWND window) {
    HWND parent = GetParent(window);
    if (parent != nullptr && IsWindow(parent)) return false;
    if (IsWindow(window)) {
        DestroyWindow(window);
    } else {
        HostWindowProc(window, WM_DESTROY, 0, 0);  // as if it had been destroyed
    }
    return true;
}

void CALLBACK WatchPreviewHost(HWND, UINT, UINT_PTR, DWORD) {
    if (Host.SaverMode == kPreviewMode) EndPreviewIfOrphaned(Host.SaverWindow);
}

// Commands that would move, resize or hide the full-screen window and so uncover the desktop.
// The system uses the low four bits of the command for its own purposes.
bool UncoversTheDesktop(WPARAM command) {
    switch (command & 0xFFF0) {
        case SC_MINIMIZE:
        case SC_MAXIMIZE:
        case SC_RESTORE:
        case SC_MOVE:
        case SC_SIZE:
            return true;
        default:
            return false;
    }
}

// The preview's host shows help for its own window, not for ours.
void ForwardToPreviewHost(HWND window, UINT message, LPARAM lParam) {
    HWND parent = GetParent(window);
    if (parent != nullptr && IsWindow(parent)) {
        PostMessageA(parent, message, reinterpret_cast<WPARAM>(parent), lParam);
    }
}

}  // namespace

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool fullScreen = Host.SaverMode == kFullScreenMode;
    const bool closing = Host.CloseApproved != 0;
    switch (message) {
        case WM_CREATE:
            DetachInputMethod(window);
            Host.cursorSource(&Host.MouseReferencePoint);
            if (fullScreen) SetCursor(nullptr);
            if (!fullScreen) {
                Host.PreviewWatchTimer = SetTimer(nullptr, 0, kPreviewWatchMs, WatchPreviewHost);
            }
            break;
        case WM_DESTROY:
            if (Host.PreviewWatchTimer != 0) KillTimer(nullptr, Host.PreviewWatchTimer);
            Host.PreviewWatchTimer = 0;
            RestoreInputMethod(window);
            PostQuitMessage(0);
            break;
        case WM_SETTEXT:
            return 0;
        case WM_PAINT:
            if (closing) return DefWindowProcA(window, message, wParam, lParam);
            if (fullScreen) SetCursor(nullptr);
            break;
        case WM_HELP:
        case WM_CONTEXTMENU:
            if (fullScreen) break;
            ForwardToPreviewHost(window, message, lParam);
            return 1;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            if (closing) return DefWindowProcA(window, message, wParam, lParam);
            break;
        case WM_SYSCOMMAND:
            if (fullScreen && (wParam == SC_NEXTWINDOW || wParam == SC_PREVWINDOW ||
                               wParam == SC_SCREENSAVE || UncoversTheDesktop(wParam))) {
                return 0;
            }
            break;
        case WM_TIMER:
            if (closing) return 0;
            if (!fullScreen && EndPreviewIfOrphaned(window)) return 0;
            // Gives up the rest of the time slice before each step, so that on the one-CPU
            // machines the saver was made for the password dialog and whatever else is due
            // run between ticks rather than after a busy stretch of drawing.
            Sleep(0);
            break;
        default:
            break;
    }
    return AnimationProc(window, message, wParam, lParam);
}
