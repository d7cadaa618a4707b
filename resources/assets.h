// The sprite sheet and the three scene sounds, built into native programs from the files in
// resources/. The sheet is a whole .bmp file (give it to SkipBitmapFileHeader first); the
// sounds are whole WAVE files. A sheet not yet present in resources/ comes out empty (size 0).
#pragma once
#include <cstddef>

extern const unsigned char kSheetBmp[];
extern const std::size_t kSheetBmpSize;
extern const unsigned char kFallEndWav[];  // sound 200
extern const std::size_t kFallEndWavSize;
extern const unsigned char kDreamStartWav[];  // sound 201
extern const std::size_t kDreamStartWavSize;
extern const unsigned char kFallStartWav[];  // sound 202
extern const std::size_t kFallStartWavSize;
