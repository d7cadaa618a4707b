// The settings section of control.ini through the Windows profile functions.
#pragma once
#include <windows.h>

#include <cstdint>

#include "settings/settings_store.h"

// Section (string 1007) and file name (string 1001), in the ANSI code page. Loaded afresh every
// time the settings are read or written, never cached.
struct ProfileLocation {
    char section[256];
    char file[256];
};
void LoadProfileLocation(ProfileLocation& location);

// Loads the location when constructed, then reads keys with GetPrivateProfileIntA.
class Win32ProfileReader final : public ProfileReader {
public:
    Win32ProfileReader() { LoadProfileLocation(location_); }
    int32_t GetInt(const char* key, int32_t defaultValue) override;

private:
    ProfileLocation location_;
};

// Logical pixels per inch of the screen, as the system tells this process: the dialog bounds the
// count by the same stage the saver draws on.
int ScreenDpi();

// The saver's settings as stored, bounded for the current screen height.
SaverSettings ReadSaverSettings();
// The same, bounded for a screen of the given height.
SaverSettings ReadSaverSettings(int32_t screenHeight);

// Writes "Speed", "Charactors", "Event" and "SE", in that order, each as "%d".
// Write failures are not detected.
void WriteDialogSettings(const ProfileLocation& location, int32_t speedLevel, int32_t walkerCount,
                         int32_t eventLevel, int32_t soundOff);
