#include "host/host.h"
#include "settings/rules.h"

namespace {

// Movement counts from the reference point, which moves only when a close is requested, so
// small moves add up.
void CheckMouseMove(HWND window) {
    POINT now;
    Host.cursorSource(&now);
    const POINT& from = Host.MouseReferencePoint;
    if (MovedTooFar(from.x, from.y, now.x, now.y)) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        Host.MouseReferencePoint = now;
    }
}

}  // namespace

int VerifyClose(HWND window) {
    if (Host.VerifyInProgress) return 0;  // the component is already asking
    if (Host.VerifyPwdEntry == nullptr) {
        Host.CloseApproved = 1;
        return 1;
    }
    const DWORD now = Host.tickSource();
    if (Host.LastVerifyTick != kNoVerificationYet && now - Host.LastVerifyTick < kVerifyGap) {
        return 0;
    }
    Host.VerifyInProgress = 1;
    // Ticks that queued up before the question are stale: dropping them (at most two, as the
    // saver always has) keeps the walkers from taking a burst of steps behind the password box.
    MSG dropped;
    for (int i = 0; i < 2; ++i) {
        PeekMessageA(&dropped, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    }
    Host.CloseApproved = static_cast<int32_t>(SendMessageA(window, MSG_VERIFY_PASSWORD, 0, 0));
    Host.VerifyInProgress = 0;
    if (Host.CloseApproved == 0) SetCursor(nullptr);
    Host.LastVerifyTick = Host.tickSource();
    return Host.CloseApproved;
}

int ApproveClose(HWND window) {
    if (Host.SaverMode == kPreviewMode || Host.CloseApproved) return 1;
    if (VerifyClose(window)) return 1;
    Host.cursorSource(&Host.MouseReferencePoint);
    return 0;
}

LRESULT CALLBACK HostDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Host.SaverMode == kPreviewMode || Host.CloseApproved) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    // While the component's dialog runs only closes and its own question are handled here.
    const bool verifying = Host.VerifyInProgress != 0;
    switch (message) {
        case WM_CLOSE:
            if (!ApproveClose(window)) return 0;
            break;
        case MSG_VERIFY_PASSWORD:
            return Host.VerifyPwdEntry != nullptr ? Host.VerifyPwdEntry(window) : 1;
        case WM_SETCURSOR:
            if (verifying) break;
            SetCursor(nullptr);
            return 1;
        case WM_SHOWWINDOW:
            if (!verifying && wParam != 0) SetCursor(nullptr);
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            if (!verifying) PostMessageA(window, WM_CLOSE, 0, 0);
            break;
        case WM_MOUSEMOVE:
            if (!verifying) CheckMouseMove(window);
            break;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
