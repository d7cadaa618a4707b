// Feeds arbitrary bytes to the profile reader and writer: no crash, no out-of-bounds read, and
// what the writer makes of any text reads back as the values it was given.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "settings/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const char* key : {kSpeedKey, kCountKey, kEventKey, kSoundKey}) {
        ProfileTextGetInt(text, kSettingsSection, key, 1);
    }
    ProfileTextHasSection(text, kSettingsSectionShiftJis);

    const ProfileInt values[] = {{kSpeedKey, 4}, {kCountKey, 3}, {kEventKey, 0}, {kSoundKey, 1}};
    const std::string written = ProfileTextWithInts(text, SettingsSectionIn(text), values);
    for (const ProfileInt& value : values) {
        if (ProfileTextGetInt(written, SettingsSectionIn(written), value.key, -1) != value.value) {
            std::abort();
        }
    }
    return 0;
}
