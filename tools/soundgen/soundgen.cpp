// tekuteku-soundgen: writes the three scene sounds as WAVE files into a folder.
//
//   tekuteku-soundgen OUTDIR
#include <cstdio>
#include <string>

#include "tools/soundgen/sound_synth.h"

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0') {
        std::fputs("usage: tekuteku-soundgen OUTDIR\n", stderr);
        return 2;
    }
    for (const SoundClip& clip : kSoundClips) {
        const std::vector<uint8_t> image = SynthesizeSound(clip.resourceId);
        const std::string path = std::string(argv[1]) + "/" + clip.fileName;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (!file) {
            std::fprintf(stderr, "tekuteku-soundgen: cannot create %s\n", path.c_str());
            return 1;
        }
        const bool written = std::fwrite(image.data(), 1, image.size(), file) == image.size();
        if (std::fclose(file) != 0 || !written) {
            std::fprintf(stderr, "tekuteku-soundgen: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s: %zu bytes\n", path.c_str(), image.size());
    }
    return 0;
}
