#include "settings/win32/settings_dialog.h"

#include <cstring>

#include "animation/screen_geometry.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "settings/win32/profile_win32.h"

SettingsDialogState SettingsDialog;

void ResetSettingsDialogState() { SettingsDialog = SettingsDialogState{}; }

namespace {

constexpr const SettingRule& kSpeedRule = RuleFor(Setting::Speed);
constexpr int32_t kFastest = kSpeedRule.high;

// "ポルッカの数(1～" in code page 932; the count limit and ")" follow it.
constexpr char kCountLabelPrefix[17] = {
    '\x83', '\x7C', '\x83', '\x8B', '\x83', '\x62', '\x83', '\x4A',  // ポルッカ
    '\x82', '\xCC', '\x90', '\x94', '(',    '1',    '\x81', '\x60',  // の数(1～
    '\0'};

void SetCountEdit(HWND dialog, int32_t count) {
    char text[16];
    wsprintfA(text, "%d", count);
    SetDlgItemTextA(dialog, IDC_COUNT_EDIT, text);
}

void CheckButton(HWND dialog, int id) {
    SendDlgItemMessageA(dialog, id, BM_SETCHECK, BST_CHECKED, 0);
}

void InitDialog(HWND dialog) {
    SettingsDialogState& s = SettingsDialog;
    Win32ProfileReader profile;  // loads the section and file names
    // The same stage the full-screen saver draws on the primary screen: at a high DPI its pixels
    // are whole blocks of screen pixels, so fewer bands fit.
    s.countLimit = DialogCountLimit(
        ScaledLength(s.getSystemMetrics(SM_CYSCREEN), PixelScale(s.getScreenDpi())));
    const DialogSettings stored = ReadDialogSettings(profile, s.countLimit);

    s.speedLevel = stored.speed;
    s.speedBar = GetDlgItem(dialog, IDC_SPEED_BAR);
    SetScrollRange(s.speedBar, SB_CTL, 0, kFastest, FALSE);
    SetScrollPos(s.speedBar, SB_CTL, s.speedLevel, TRUE);

    // Without a wave device "on" cannot be chosen, whatever was stored.
    const bool noDevice = s.getWaveOutDeviceCount() == 0;
    s.soundOff = noDevice ? kSoundOffValue : stored.soundOff;
    CheckButton(dialog, s.soundOff != 0 ? IDC_SOUND_OFF : IDC_SOUND_ON);
    if (noDevice) EnableWindow(GetDlgItem(dialog, IDC_SOUND_ON), FALSE);

    s.eventLevel = stored.event;
    CheckButton(dialog, IDC_EVENT_HIGH + s.eventLevel);

    s.countSpin = GetDlgItem(dialog, IDC_COUNT_SPIN);
    s.walkerCount = stored.count;

    char label[32];
    std::memcpy(label, kCountLabelPrefix, sizeof kCountLabelPrefix);
    wsprintfA(label + sizeof kCountLabelPrefix - 1, "%d)", s.countLimit);
    SetDlgItemTextA(dialog, IDC_COUNT_LABEL, label);

    SetCountEdit(dialog, s.walkerCount);
    SendDlgItemMessageA(dialog, IDC_COUNT_EDIT, EM_LIMITTEXT, 1, 0);
    SetFocus(s.speedBar);
}

void OnSpeedBar(WORD code, WORD trackedPosition) {
    SettingsDialogState& s = SettingsDialog;
    switch (code) {
        case SB_LINELEFT:
        case SB_PAGELEFT:
            if (s.speedLevel > 0) --s.speedLevel;
            break;
        case SB_LINERIGHT:
        case SB_PAGERIGHT:
            if (s.speedLevel < kFastest) ++s.speedLevel;
            break;
        case SB_THUMBTRACK:
            s.speedLevel = trackedPosition;
            break;
        default:  // the drag's final position, Home, End and the end of scrolling change nothing
            break;
    }
    SetScrollPos(s.speedBar, SB_CTL, s.speedLevel, TRUE);
}

void OnArrowKey(WPARAM key) {
    SettingsDialogState& s = SettingsDialog;
    if (key == VK_LEFT && s.speedLevel > 0) --s.speedLevel;
    if (key == VK_RIGHT && s.speedLevel < kFastest) ++s.speedLevel;
    SetScrollPos(s.speedBar, SB_CTL, s.speedLevel, TRUE);
}

void OnCountSpin(HWND dialog, WORD code) {
    SettingsDialogState& s = SettingsDialog;
    switch (code) {
        case SB_LINEUP:
        case SB_PAGEUP:
            if (s.walkerCount < s.countLimit) ++s.walkerCount;
            break;
        case SB_LINEDOWN:
        case SB_PAGEDOWN:
            if (s.walkerCount > 1) --s.walkerCount;
            break;
        default:
            break;
    }
    // Every notification rewrites the edit, dropping anything typed and not yet taken.
    SetCountEdit(dialog, s.walkerCount);
}

// Takes the edit's first character as the count when it is a digit from 1 to the limit;
// anything else silently puts the previous count back.
void ValidateCountEdit(HWND dialog) {
    SettingsDialogState& s = SettingsDialog;
    char text[8] = {};
    GetDlgItemTextA(dialog, IDC_COUNT_EDIT, text, sizeof text);
    const int32_t value = static_cast<signed char>(text[0]) - '0';
    if (value >= 1 && value <= s.countLimit) {
        s.walkerCount = value;
    } else {
        SetCountEdit(dialog, s.walkerCount);
    }
}

void OnCommand(HWND dialog, WORD id, WORD code) {
    SettingsDialogState& s = SettingsDialog;
    switch (id) {
        case IDC_COUNT_EDIT:
            if (code == EN_KILLFOCUS) ValidateCountEdit(dialog);
            break;
        case IDC_EVENT_HIGH:
        case IDC_EVENT_NORMAL:
        case IDC_EVENT_LOW:
            s.eventLevel = id - IDC_EVENT_HIGH;
            break;
        case IDC_SOUND_ON:
            s.soundOff = kSoundOnValue;
            break;
        case IDC_SOUND_OFF:
            s.soundOff = kSoundOffValue;
            break;
        case IDOK: {
            ValidateCountEdit(dialog);
            ProfileLocation location;
            LoadProfileLocation(location);
            WriteDialogSettings(location, s.speedLevel, s.walkerCount, s.eventLevel, s.soundOff);
            EndDialog(dialog, 0);
            break;
        }
        case IDCANCEL:
            EndDialog(dialog, 0);
            break;
        default:
            break;
    }
}

}  // namespace

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitDialog(dialog);
            return FALSE;  // the focus is already on the speed bar
        case WM_HSCROLL:
            if (reinterpret_cast<HWND>(lParam) == SettingsDialog.speedBar) {
                OnSpeedBar(LOWORD(wParam), HIWORD(wParam));
            }
            return FALSE;
        case WM_KEYDOWN:
            OnArrowKey(wParam);
            return FALSE;
        case WM_VSCROLL:
            if (reinterpret_cast<HWND>(lParam) == SettingsDialog.countSpin) {
                OnCountSpin(dialog, LOWORD(wParam));
            }
            return FALSE;
        case WM_COMMAND:
            OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        default:
            return FALSE;
    }
}
