// Feeds arbitrary bytes to the profile reader and writer: no crash, no out-of-bounds read,
// and a written key always reads back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const char* key : {kSpeedKey, kCountKey, kEventKey, kSoundKey}) {
        ProfileTextGetInt(text, kSettingsSection, key, 1);
    }
    const std::string written = ProfileTextSetString(text, kSettingsSection, kCountKey, "7");
    if (ProfileTextGetInt(written, kSettingsSection, kCountKey, 1) != 7) std::abort();
    return 0;
}
