#include "settings/win32/profile_win32.h"

#include "resources/resource_ids.h"
#include "settings/win32/module_instance.h"

void LoadProfileLocation(ProfileLocation& location) {
    location.section[0] = '\0';
    location.file[0] = '\0';
    LoadStringA(ModuleInstance, IDS_SETTINGS_SECTION, location.section, sizeof location.section);
    LoadStringA(ModuleInstance, IDS_PROFILE_FILE, location.file, sizeof location.file);
}

int32_t Win32ProfileReader::GetInt(const char* key, int32_t defaultValue) {
    // The profile function returns a UINT; a stored negative number comes back as its bit pattern.
    return static_cast<int32_t>(
        GetPrivateProfileIntA(location_.section, key, defaultValue, location_.file));
}

SaverSettings ReadSaverSettings() { return ReadSaverSettings(GetSystemMetrics(SM_CYSCREEN)); }

SaverSettings ReadSaverSettings(int32_t screenHeight) {
    Win32ProfileReader profile;
    return ReadSaverSettings(profile, screenHeight);
}

static void WriteInt(const ProfileLocation& location, const char* key, int32_t value) {
    char text[16];
    wsprintfA(text, "%d", value);
    WritePrivateProfileStringA(location.section, key, text, location.file);
}

void WriteDialogSettings(const ProfileLocation& location, int32_t speedLevel, int32_t walkerCount,
                         int32_t eventLevel, int32_t soundOff) {
    WriteInt(location, kSpeedKey, speedLevel);
    WriteInt(location, kCountKey, walkerCount);
    WriteInt(location, kEventKey, eventLevel);
    WriteInt(location, kSoundKey, soundOff);
}

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}
