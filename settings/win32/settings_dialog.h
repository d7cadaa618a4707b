// The settings dialog (template IDD_SETTINGS): shows the four stored settings, lets the user
// change them, and writes all four back on OK.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>

#include "settings/win32/profile_win32.h"

// The dialog's working values, one set per process, filled by WM_INITDIALOG.
struct SettingsDialogState {
    int32_t speedLevel = 0;   // 0 slow .. 6 fast; always the speed bar's position
    int32_t walkerCount = 0;  // what the count edit shows
    int32_t countLimit = 0;   // the saver's stage height / 195, at most 9
    int32_t eventLevel = 0;   // 0 high, 1 normal, 2 low
    int32_t soundOff = 0;     // the meaning of "SE": 0 on, 1 off
    HWND speedBar = nullptr;
    HWND countSpin = nullptr;

    // Platform queries, so tests can choose the screen height, its DPI and the wave devices.
    int(WINAPI* getSystemMetrics)(int) = GetSystemMetrics;
    int (*getScreenDpi)() = ScreenDpi;
    UINT(WINAPI* getWaveOutDeviceCount)() = waveOutGetNumDevs;
};

extern SettingsDialogState SettingsDialog;

// Back to the state of a fresh process (the real platform queries included).
void ResetSettingsDialogState();

// Dialog procedure for DialogBoxParamA(ModuleInstance, IDD_SETTINGS, owner, ...); the dialog
// always ends with 0, OK or Cancel.
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
