// Resource identifiers shared by the resource script and the code.
#pragma once

// Requested by the window class; the executable deliberately carries no icon of this ID.
#define IDI_SAVER 100

#define IDB_SHEET 102

// Sound effects: whole RIFF WAVE images stored under a program-defined numeric type.
#define RT_SOUND_EFFECT 300
#define IDR_SOUND_FALL_END 200
#define IDR_SOUND_DREAM_START 201
#define IDR_SOUND_FALL_START 202
#ifndef RC_INVOKED
// The same in the order of the animation's sound cues: fall end, day-dream start, fall start.
constexpr int kCueSoundIds[] = {IDR_SOUND_FALL_END, IDR_SOUND_DREAM_START, IDR_SOUND_FALL_START};
#endif

#define IDS_PROFILE_FILE 1001
#define IDS_SETTINGS_SECTION 1007

#define IDD_SETTINGS 2003
#define IDC_SPEED_BAR 1004
#define IDC_COUNT_EDIT 1009
#define IDC_COUNT_SPIN 1011
#define IDC_EVENT_HIGH 1012
#define IDC_EVENT_NORMAL 1013
#define IDC_EVENT_LOW 1014
#define IDC_COUNT_LABEL 1015
#define IDC_SOUND_ON 1016
#define IDC_SOUND_OFF 1017

// Controls the code never addresses.
#define IDC_UNUSED (-1)
