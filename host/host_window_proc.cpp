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
            break;
        case WM_DESTROY:
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
            if (fullScreen &&
                (wParam == SC_NEXTWINDOW || wParam == SC_PREVWINDOW || wParam == SC_SCREENSAVE)) {
                return 0;
            }
            break;
        case WM_TIMER:
            if (closing) return 0;
            Sleep(0);
            break;
        default:
            break;
    }
    return AnimationProc(window, message, wParam, lParam);
}
