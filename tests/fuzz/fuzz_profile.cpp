// Feeds arbitrary bytes to the profile reader: no crash, no out-of-bounds read.
#include <cstdint>
#include <string_view>

#include "settings/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const char* key : {kSpeedKey, kCountKey, kEventKey, kSoundKey}) {
        ProfileTextGetInt(text, kSettingsSection, key, 1);
    }
    ProfileTextHasSection(text, kSettingsSectionShiftJis);
    return 0;
}
