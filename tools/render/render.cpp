// tekuteku-render: runs the animation on an off-screen surface with the built-in sheet and
// writes the result as an animated GIF or as a PNG of the last step, or finds the step after
// which the screen is a given picture (a saver's screenshot, say).
//
//   tekuteku-render --out FILE.gif|FILE.png | --find FILE.ppm [--seed S] [--width W]
//                   [--height H] [--count N] [--odds E] [--steps T] [--speed 0..6]
//                   [--scale 1..4] [--every K]
#include <fcntl.h>
#include <gif_lib.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "animation/atlas_image.h"
#include "animation/frame_step.h"
#include "animation/pictures.h"
#include "resources/assets.h"
#include "settings/settings_store.h"
#include "tools/common/cli.h"

namespace {

constexpr const char* kUsage =
    "usage: tekuteku-render --out FILE.gif|FILE.png | --find FILE.ppm [options]\n"
    "  --seed S     random seed, 0..4294967295 (1)\n"
    "  --width W    screen width, 1..4096 (640)\n"
    "  --height H   screen height, 1..4096 (400)\n"
    "  --count N    walkers, %d..%d; at most one per %d pixels of height (3)\n"
    "  --odds E     scene odds, 0..32767; lower means more scenes (10)\n"
    "  --steps T    ticks to run, 1..1000000 (300)\n"
    "  --speed V    speed setting 0..6, sets the GIF frame delay (3)\n"
    "  --scale N    nearest-neighbour enlargement, 1..4 (1)\n"
    "  --every K    GIF: record every K-th tick, 1..1000 (1)\n"
    "A .gif gets every recorded tick; a .png gets the screen after the last tick.\n"
    "--find prints the first of the steps after which the screen is FILE (a binary PPM of the\n"
    "enlarged size), or fails with how close the closest came.\n";

int Usage(const char* problem) {
    std::fprintf(stderr, "tekuteku-render: %s\n", problem);
    std::fprintf(stderr, kUsage, RuleFor(Setting::Count).low, RuleFor(Setting::Count).high,
                 kScreenPixelsPerWalker);
    return 2;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() > suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// The sheet as palette indices: the frame step copies index surfaces exactly like colour
// ones, and a GIF or palette PNG takes the indices as they are.
struct IndexedSheet {
    Surface atlas;
    std::vector<uint32_t> colours;  // 0x00RRGGBB per index
    uint32_t black = 0;             // index the empty screen starts with
};

bool LoadIndexedSheet(IndexedSheet& sheet) {
    const uint8_t* data = kSheetBmp;
    size_t size = kSheetBmpSize;
    if (size == 0) {
        std::fputs("tekuteku-render: this build has no sprite sheet (resources/sheet.bmp)\n",
                   stderr);
        return false;
    }
    SkipBitmapFileHeader(data, size);
    AtlasImage image;
    const char* error = nullptr;
    if (!LoadAtlasImage(data, size, image, &error)) {
        std::fprintf(stderr, "tekuteku-render: built-in sheet: %s\n", error);
        return false;
    }
    sheet.colours.assign(image.palette, image.palette + image.colourCount);
    size_t black = 0;
    while (black < sheet.colours.size() && sheet.colours[black] != 0) ++black;
    if (black == sheet.colours.size()) {
        if (black == 256) {
            std::fputs("tekuteku-render: built-in sheet has 256 colours and no black\n", stderr);
            return false;
        }
        sheet.colours.push_back(0);
    }
    sheet.black = static_cast<uint32_t>(black);
    AtlasImage indexed = image;
    for (uint32_t i = 0; i < 256; ++i) {
        indexed.palette[i] = static_cast<int32_t>(i) < image.colourCount ? i : sheet.black;
    }
    if (!ConvertAtlasToSurface(indexed, sheet.atlas, &error)) {
        std::fprintf(stderr, "tekuteku-render: built-in sheet: %s\n", error);
        return false;
    }
    return true;
}

struct Box {
    int32_t x0, y0, x1, y1;  // half-open
};

// Streams frames into a GIF, each one only the rectangle that changed since the last.
class GifWriter {
public:
    GifWriter(const char* path, int32_t width, int32_t height, int32_t scale,
              const std::vector<uint32_t>& colours, int delayCs)
        : width_(width), height_(height), scale_(scale), delay_(delayCs) {
        int mapSize = 2;
        while (mapSize < static_cast<int>(colours.size())) mapSize *= 2;
        std::vector<GifColorType> entries(mapSize, GifColorType{0, 0, 0});
        for (size_t i = 0; i < colours.size(); ++i) {
            entries[i] = GifColorType{static_cast<GifByteType>(colours[i] >> 16),
                                      static_cast<GifByteType>(colours[i] >> 8),
                                      static_cast<GifByteType>(colours[i])};
        }
        ColorMapObject* map = GifMakeMapObject(mapSize, entries.data());
        int error = 0;
        // Opened here rather than by giflib, which would make the file readable by its owner only.
        const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
        gif_ = fd >= 0 ? EGifOpenFileHandle(fd, &error) : nullptr;
        if (fd >= 0 && !gif_) close(fd);
        if (!gif_ || !map) {
            ok_ = false;
        } else {
            EGifSetGifVersion(gif_, true);
            ok_ = EGifPutScreenDesc(gif_, width * scale, height * scale, 8, 0, map) == GIF_OK;
            // Loop forever.
            static const GifByteType kNetscape[] = "NETSCAPE2.0";
            static const GifByteType kLoop[] = {1, 0, 0};
            ok_ = ok_ && EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
                  EGifPutExtensionBlock(gif_, 11, kNetscape) == GIF_OK &&
                  EGifPutExtensionBlock(gif_, 3, kLoop) == GIF_OK &&
                  EGifPutExtensionTrailer(gif_) == GIF_OK;
        }
        GifFreeMapObject(map);
    }

    bool Add(const Surface& screen) {
        if (!ok_) return false;
        Box box{0, 0, width_, height_};
        if (!previous_.empty()) {
            box = ChangedBox(screen);
            if (box.x0 >= box.x1)
                box = {0, 0, 1, 1};  // nothing moved: a 1-pixel frame keeps the timing
        }
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_DO_NOT;
        control.DelayTime = delay_;
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        const int32_t w = (box.x1 - box.x0) * scale_;
        const int32_t h = (box.y1 - box.y0) * scale_;
        ok_ = EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
              EGifPutImageDesc(gif_, box.x0 * scale_, box.y0 * scale_, w, h, false, nullptr) ==
                  GIF_OK;
        std::vector<GifPixelType> line(w);
        for (int32_t y = box.y0; ok_ && y < box.y1; ++y) {
            for (int32_t x = 0; x < w; ++x)
                line[x] = static_cast<GifPixelType>(screen.At(box.x0 + x / scale_, y));
            for (int32_t repeat = 0; ok_ && repeat < scale_; ++repeat)
                ok_ = EGifPutLine(gif_, line.data(), w) == GIF_OK;
        }
        previous_ = screen.pixels;
        ++frames_;
        return ok_;
    }

    bool Close() {
        int error = 0;
        const bool closed = gif_ && EGifCloseFile(gif_, &error) == GIF_OK;
        gif_ = nullptr;
        return ok_ && closed;
    }
    ~GifWriter() {
        if (gif_) Close();
    }
    int Frames() const { return frames_; }

private:
    Box ChangedBox(const Surface& screen) const {
        Box box{width_, height_, 0, 0};
        for (int32_t y = 0; y < height_; ++y) {
            const uint32_t* now = &screen.pixels[static_cast<size_t>(y) * width_];
            const uint32_t* before = &previous_[static_cast<size_t>(y) * width_];
            if (std::memcmp(now, before, sizeof(uint32_t) * width_) == 0) continue;
            int32_t first = 0, last = width_ - 1;
            while (now[first] == before[first]) ++first;
            while (now[last] == before[last]) --last;
            box.x0 = std::min(box.x0, first);
            box.x1 = std::max(box.x1, last + 1);
            box.y0 = std::min(box.y0, y);
            box.y1 = y + 1;
        }
        return box;
    }

    GifFileType* gif_ = nullptr;
    int32_t width_, height_, scale_;
    int delay_;
    bool ok_ = true;
    int frames_ = 0;
    std::vector<uint32_t> previous_;
};

bool WritePng(const char* path, const Surface& screen, int32_t scale,
              const std::vector<uint32_t>& colours) {
    // Everything with a destructor is made before setjmp: libpng reports errors by longjmp.
    std::vector<png_color> palette(colours.size());
    for (size_t i = 0; i < colours.size(); ++i) {
        palette[i] =
            png_color{static_cast<png_byte>(colours[i] >> 16),
                      static_cast<png_byte>(colours[i] >> 8), static_cast<png_byte>(colours[i])};
    }
    std::vector<png_byte> row(static_cast<size_t>(screen.width) * scale);
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    volatile bool ok = false;  // set after setjmp, read after a possible longjmp
    if (png && info && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, screen.width * scale, screen.height * scale, 8,
                     PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
        png_write_info(png, info);
        for (int32_t y = 0; y < screen.height; ++y) {
            for (size_t x = 0; x < row.size(); ++x) {
                row[x] = static_cast<png_byte>(screen.At(static_cast<int32_t>(x / scale), y));
            }
            for (int32_t repeat = 0; repeat < scale; ++repeat) png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    return std::fclose(file) == 0 && ok;
}

// The command line, read into its options; on a bad one, the status to end with.
struct RenderRequest {
    NumberOption options[9] = {
        {"--seed", 0, UINT32_MAX, 1, false},
        {"--width", 1, 4096, 640, false},
        {"--height", 1, 4096, 400, false},
        {"--count", static_cast<uint64_t>(RuleFor(Setting::Count).low),
         static_cast<uint64_t>(RuleFor(Setting::Count).high), 3, false},
        {"--odds", 0, 32767, 10, false},
        {"--steps", 1, 1000000, 300, false},
        {"--speed", 0, kSpeedLevels - 1, 3, false},
        {"--scale", 1, 4, 1, false},
        {"--every", 1, 1000, 1, false},
    };
    enum { kSeed, kWidth, kHeight, kCount, kOdds, kSteps, kSpeed, kScale, kEvery };
    const char* out = nullptr;
    const char* find = nullptr;
    bool gif = false;
    int32_t Value(int i) const { return static_cast<int32_t>(options[i].value); }
};

// Null when the command line is good, else what is wrong with it.
const char* ReadRequest(int argc, char** argv, RenderRequest& request) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (i + 1 >= argc) return "an option is missing its value";
        if (arg == "--out" || arg == "--find") {
            if (request.out || request.find) return "--out or --find is given twice";
            (arg == "--out" ? request.out : request.find) = argv[++i];
            continue;
        }
        if (const char* problem = SetNumberOption(request.options, arg, argv[++i])) return problem;
    }
    if (request.find) return nullptr;
    if (!request.out) return "--out FILE or --find FILE is required";
    request.gif = EndsWith(request.out, ".gif");
    if (!request.gif && !EndsWith(request.out, ".png")) {
        return "--out must name a .gif or a .png file";
    }
    return nullptr;
}

// A binary PPM (P6, maxval 255) as stage pixels of palette indices, each of which must be a
// uniform scale x scale block of a palette colour; others become kNoIndex, which no screen
// pixel equals.
constexpr uint32_t kNoIndex = 0xFFFFFFFF;
bool ReadPpm(const char* path, int32_t scale, const std::vector<uint32_t>& colours,
             Surface& stage) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    int width = 0, height = 0, most = 0;
    const bool header = std::fscanf(file, "P6 %d %d %d", &width, &height, &most) == 3 &&
                        most == 255 && std::fgetc(file) != EOF;
    std::vector<uint8_t> rgb(header && width > 0 && height > 0
                                 ? static_cast<size_t>(width) * static_cast<size_t>(height) * 3
                                 : 0);
    const bool read =
        header && !rgb.empty() && std::fread(rgb.data(), 1, rgb.size(), file) == rgb.size();
    std::fclose(file);
    if (!read || width != stage.width * scale || height != stage.height * scale) return false;
    const auto colour = [&](int32_t x, int32_t y) {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
    };
    for (int32_t y = 0; y < stage.height; ++y) {
        for (int32_t x = 0; x < stage.width; ++x) {
            const uint32_t c = colour(x * scale, y * scale);
            bool uniform = true;
            for (int32_t i = 0; i < scale * scale; ++i) {
                uniform = uniform && colour(x * scale + i % scale, y * scale + i / scale) == c;
            }
            const auto at = std::find(colours.begin(), colours.end(), c);
            stage.At(x, y) = uniform && at != colours.end()
                                 ? static_cast<uint32_t>(at - colours.begin())
                                 : kNoIndex;
        }
    }
    return true;
}

// One tick of the core, silent: the renderer makes pictures, not sounds.
void SilentStep(WalkerPopulation& population, SoftwareCanvas& canvas) {
    NullSoundPlatform platform;
    const SoundEffects sound{};
    RunFrameStep(population, canvas, sound, platform);
}

int CannotWrite(const char* path) {
    std::fprintf(stderr, "tekuteku-render: cannot write %s\n", path);
    return 1;
}

// --find: runs up to `steps` steps and reports the first after which the screen is the picture.
int FindStep(const char* path, int32_t steps, int32_t scale, const IndexedSheet& sheet,
             WalkerPopulation& population, Surface& screen) {
    Surface wanted(screen.width, screen.height);
    if (!ReadPpm(path, scale, sheet.colours, wanted)) {
        std::fprintf(stderr, "tekuteku-render: %s is not a binary PPM of %dx%d\n", path,
                     screen.width * scale, screen.height * scale);
        return 2;
    }
    SoftwareCanvas canvas(screen, sheet.atlas);
    size_t closest = screen.pixels.size();
    for (int32_t t = 1; t <= steps; ++t) {
        SilentStep(population, canvas);
        size_t differing = 0;
        for (size_t i = 0; i < screen.pixels.size(); ++i)
            differing += screen.pixels[i] != wanted.pixels[i];
        if (differing == 0) {
            std::printf("%s: the screen after step %d\n", path, t);
            return 0;
        }
        closest = std::min(closest, differing);
    }
    std::printf("%s: no step of 1..%d; the closest differs in %zu stage pixels\n", path, steps,
                closest);
    return 1;
}

// Records every K-th tick (and the last) as a GIF frame.
int RenderGif(const RenderRequest& r, WalkerPopulation& population, SoftwareCanvas& canvas,
              const Surface& screen, const IndexedSheet& sheet) {
    const int32_t width = r.Value(r.kWidth), height = r.Value(r.kHeight);
    const int32_t scale = r.Value(r.kScale), every = r.Value(r.kEvery), steps = r.Value(r.kSteps);
    // GIF delays count hundredths of a second, and many viewers run anything under 2 slowly.
    const uint32_t ms = kSpeedTable[r.Value(r.kSpeed)] * static_cast<uint32_t>(every);
    const int delay = std::max<int>(2, static_cast<int>((ms + 5) / 10));
    GifWriter writer(r.out, width, height, scale, sheet.colours, delay);
    for (int32_t t = 1; t <= steps; ++t) {
        SilentStep(population, canvas);
        if ((t % every == 0 || t == steps) && !writer.Add(screen)) break;
    }
    const int frames = writer.Frames();
    if (!writer.Close()) return CannotWrite(r.out);
    std::printf("%s: %d frames of %dx%d, %d/100 s each\n", r.out, frames, width * scale,
                height * scale, delay);
    return 0;
}

// Writes the screen after the last tick as a PNG.
int RenderPng(const RenderRequest& r, WalkerPopulation& population, SoftwareCanvas& canvas,
              const Surface& screen, const IndexedSheet& sheet) {
    const int32_t steps = r.Value(r.kSteps), scale = r.Value(r.kScale);
    for (int32_t t = 1; t <= steps; ++t) SilentStep(population, canvas);
    if (!WritePng(r.out, screen, scale, sheet.colours)) return CannotWrite(r.out);
    std::printf("%s: %dx%d after %d steps\n", r.out, screen.width * scale, screen.height * scale,
                steps);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    RenderRequest request;
    if (const char* problem = ReadRequest(argc, argv, request)) return Usage(problem);
    IndexedSheet sheet;
    if (!LoadIndexedSheet(sheet)) return 1;

    // One picture on one monitor of the whole size, started as every saver starts it: so the
    // walkers the screen's height allows, not more.
    static Picture picture;
    const int32_t width = request.Value(request.kWidth), height = request.Value(request.kHeight);
    StartPicture(picture, ScreenArea{0, 0, width, height}, 1, request.Value(request.kCount),
                 request.Value(request.kOdds),
                 static_cast<uint32_t>(request.options[request.kSeed].value));
    Surface screen(width, height);
    std::fill(screen.pixels.begin(), screen.pixels.end(), sheet.black);
    if (request.find) {
        return FindStep(request.find, request.Value(request.kSteps), request.Value(request.kScale),
                        sheet, picture.population, screen);
    }
    SoftwareCanvas canvas(screen, sheet.atlas);
    return request.gif ? RenderGif(request, picture.population, canvas, screen, sheet)
                       : RenderPng(request, picture.population, canvas, screen, sheet);
}
