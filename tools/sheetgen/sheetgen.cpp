// Writes the sprite sheet as a BMP file, or a doubled PNG preview with the cell grid drawn in.
//   tekuteku-sheetgen OUT.bmp
//   tekuteku-sheetgen --preview OUT.png
//   tekuteku-sheetgen --report        (each cell's drawn box against its allowed box)
#include <png.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "animation/atlas_tables.h"
#include "tools/sheetgen/sheet_art.h"

namespace {

bool WriteFile(const char* path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool WritePreview(const char* path, const std::vector<uint8_t>& sheet) {
    constexpr int kScale = 2;
    constexpr int w = kSheetWidth * kScale, h = kSheetHeight * kScale;
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const SheetColour& c = kSheetPalette[sheet[(y / kScale) * kSheetWidth + x / kScale]];
            uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = c.red, p[1] = c.green, p[2] = c.blue;
        }
    }
    // Thin grid lines along each cell's outer edge, for review only.
    auto grid = [&](int x, int y) {
        uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
        p[0] = 40, p[1] = 70, p[2] = 110;
    };
    for (const SheetCell& cell : kSheetCells) {
        const int x0 = cell.x * kScale, y0 = cell.y * kScale;
        const int x1 = (cell.x + cell.width) * kScale - 1, y1 = (cell.y + cell.height) * kScale - 1;
        for (int x = x0; x <= x1; ++x) grid(x, y0), grid(x, y1);
        for (int y = y0; y <= y1; ++y) grid(x0, y), grid(x1, y);
    }

    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y) png_write_row(png, &rgb[static_cast<size_t>(y) * w * 3]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

void Report() {
    std::vector<int> cut;
    const std::vector<uint8_t> sheet = DrawSheet(&cut);
    for (int i = 0; i < kSheetCellCount; ++i) {
        const SheetCell& cell = kSheetCells[i];
        int left = cell.width, right = -1, top = cell.height, bottom = -1;
        for (int y = 0; y < cell.height; ++y) {
            for (int x = 0; x < cell.width; ++x) {
                if (!sheet[(cell.y + y) * kSheetWidth + cell.x + x]) continue;
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
        }
        std::printf("(%4d,%3d) drawn x %3d-%3d y %3d-%3d   box x %3d-%3d y %3d-%3d   cut %d\n",
                    cell.x, cell.y, left, right, top, bottom, cell.left, cell.right, cell.top,
                    cell.bottom, cut[i]);
    }
}

int Usage() {
    std::fprintf(stderr, "usage: tekuteku-sheetgen OUT.bmp | --preview OUT.png | --report\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--report") == 0) {
        Report();
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--preview") == 0) {
        if (!WritePreview(argv[2], DrawSheet())) {
            std::fprintf(stderr, "tekuteku-sheetgen: cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    if (argc != 2 || argv[1][0] == '-') return Usage();
    if (!WriteFile(argv[1], EncodeSheetBmp(DrawSheet()))) {
        std::fprintf(stderr, "tekuteku-sheetgen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
