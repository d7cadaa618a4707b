// Feeds arbitrary bytes to the WAVE reader the Linux saver plays its sounds with: no crash, no
// read outside the image, and samples it finds lie inside the image in whole frames.
#include <cstdint>
#include <cstdlib>

#include "linux/sdl_sound.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WaveSamples found;
    if (!FindWaveSamples(data, size, found)) return 0;
    const uint32_t frame = found.channels * (found.bits / 8u);
    const bool inside = found.samples >= data && found.samples <= data + size &&
                        found.bytes <= static_cast<size_t>(data + size - found.samples);
    if (!inside || frame == 0 || found.bytes % frame != 0 || found.rate == 0) std::abort();
    return 0;
}
