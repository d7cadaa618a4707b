// The committed sprite sheet: what the generator draws, byte for byte, in the layout the
// animation copies from.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "animation/atlas_tables.h"
#include "animation/walkers.h"
#include "tests/artwork/resource_file.h"
#include "tools/sheetgen/sheet_art.h"

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kPixelOffset = kFileHeaderBytes + 40 + 64;
constexpr size_t kRowBytes = 616;

const std::vector<uint8_t>& SheetFile() {
    static const std::vector<uint8_t> bytes = ReadResource("sheet.bmp");
    return bytes;
}

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int size) {
    uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = v << 8 | b[at + i];
    return v;
}

// Palette index of atlas pixel (x, y), read straight from the bottom-up 4-bit rows.
int Pixel(int x, int y) {
    const uint8_t byte = SheetFile()[kPixelOffset + (kSheetHeight - 1 - y) * kRowBytes + x / 2];
    return (x % 2 == 0) ? byte >> 4 : byte & 15;
}

struct Cell {
    int x, y, w, h;
    // The inclusive box, relative to the cell, outside which all is black.
    int left, right, top, bottom;
};

// Cells of the sheet, with the box each figure keeps to.
const Cell kCells[] = {
    {0, 0, 128, 136, 5, 120, 12, 131},      {128, 0, 128, 136, 15, 108, 12, 133},
    {256, 0, 128, 136, 29, 96, 1, 132},     {384, 0, 128, 136, 39, 102, 2, 134},
    {512, 0, 128, 136, 16, 114, 4, 134},    {640, 0, 128, 136, 32, 95, 2, 132},
    {768, 0, 128, 136, 40, 103, 5, 132},    {896, 0, 128, 136, 19, 112, 12, 131},
    {1024, 0, 128, 136, 20, 109, 14, 135},  {896, 136, 128, 136, 7, 122, 12, 131},
    {768, 136, 128, 136, 19, 112, 12, 133}, {640, 136, 128, 136, 31, 98, 1, 132},
    {512, 136, 128, 136, 25, 88, 2, 134},   {384, 136, 128, 136, 13, 111, 4, 134},
    {256, 136, 128, 136, 32, 95, 2, 132},   {128, 136, 128, 136, 24, 87, 5, 132},
    {0, 136, 128, 136, 15, 108, 12, 131},   {0, 272, 176, 168, 46, 160, 35, 139},
    {176, 272, 176, 168, 14, 100, 37, 144}, {352, 272, 176, 168, 14, 98, 34, 144},
    {528, 272, 176, 168, 35, 134, 11, 138}, {704, 272, 176, 168, 1, 171, 49, 162},
    {880, 272, 176, 168, 10, 157, 86, 148}, {1056, 272, 176, 168, 14, 155, 87, 147},
    {352, 440, 176, 168, 14, 128, 35, 139}, {176, 440, 176, 168, 74, 160, 37, 144},
    {0, 440, 176, 168, 76, 160, 34, 144},   {1056, 440, 176, 168, 40, 139, 11, 138},
    {880, 440, 176, 168, 3, 173, 49, 162},  {704, 440, 176, 168, 17, 164, 86, 148},
    {528, 440, 176, 168, 19, 160, 87, 147}, {0, 608, 128, 136, 21, 102, 20, 133},
    {128, 608, 128, 136, 32, 89, 15, 134},  {256, 608, 128, 136, 35, 93, 12, 135},
    {384, 608, 128, 136, 35, 98, 12, 135},  {512, 608, 128, 136, 15, 112, 0, 132},
    {0, 744, 160, 160, 34, 159, 7, 159},    {160, 744, 160, 160, 34, 159, 7, 159},
    {320, 744, 160, 160, 0, 125, 7, 159},   {480, 744, 160, 160, 0, 125, 7, 159},
};

const Cell* CellAt(int x, int y) {
    for (const Cell& c : kCells)
        if (x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h) return &c;
    return nullptr;
}

// The states that show each frame, by runs of frames.
struct FrameRun {
    int first, last;
    std::vector<WalkerState> states;
};
const FrameRun kShownIn[] = {
    {0, 7, {WalkRight}},
    {8, 31, {FallRight}},
    {32, 55, {FallLeft}},
    {56, 76, {GetUpRight}},
    {77, 97, {GetUpLeft}},
    {98, 98, {ChangeRight, ChangeLeft, PauseRight, PauseLeft, StandRight, StandLeft}},
    {99, 170, {ChangeRight, ChangeLeft}},
    {171, 188, {DreamRight}},
    {189, 206, {DreamLeft}},
    {207, 214, {WalkLeft}},
};

class Sheet : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SheetFile().size(), 556982u)
            << "resources/sheet.bmp missing or of the wrong size";
    }
};

TEST_F(Sheet, GeneratorReproducesTheCommittedFile) {
    const std::vector<uint8_t> generated = EncodeSheetBmp(DrawSheet());
    EXPECT_TRUE(generated == SheetFile())
        << "regenerate with tekuteku-sheetgen resources/sheet.bmp";
}

TEST_F(Sheet, HeadersAndColourTable) {
    const std::vector<uint8_t>& b = SheetFile();
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(Le(b, 2, 4), 556982u);
    EXPECT_EQ(Le(b, 10, 4), kPixelOffset);
    const size_t d = kFileHeaderBytes;
    EXPECT_EQ(Le(b, d + 0, 4), 40u);
    EXPECT_EQ(Le(b, d + 4, 4), 1232u);
    EXPECT_EQ(Le(b, d + 8, 4), 904u);
    EXPECT_EQ(Le(b, d + 12, 2), 1u);
    EXPECT_EQ(Le(b, d + 14, 2), 4u);
    EXPECT_EQ(Le(b, d + 16, 4), 0u);
    EXPECT_EQ(Le(b, d + 20, 4), 556864u);
    EXPECT_EQ(Le(b, d + 24, 4), 3790u);
    EXPECT_EQ(Le(b, d + 28, 4), 3780u);
    EXPECT_EQ(Le(b, d + 32, 4), 0u);
    EXPECT_EQ(Le(b, d + 36, 4), 0u);
    EXPECT_EQ(b.size() - d, 556968u);
    const uint8_t kRgb[16][3] = {
        {0, 0, 0},       {64, 32, 64},    {80, 64, 96},    {128, 112, 144},
        {176, 176, 208}, {144, 48, 48},   {208, 80, 80},   {224, 160, 176},
        {192, 96, 128},  {176, 144, 32},  {224, 208, 112}, {112, 64, 48},
        {160, 112, 96},  {208, 144, 112}, {240, 208, 192}, {240, 240, 240}};
    for (int i = 0; i < 16; ++i) {
        const size_t e = d + 40 + 4 * i;
        EXPECT_EQ(b[e + 0], kRgb[i][2]) << "blue of " << i;
        EXPECT_EQ(b[e + 1], kRgb[i][1]) << "green of " << i;
        EXPECT_EQ(b[e + 2], kRgb[i][0]) << "red of " << i;
        EXPECT_EQ(b[e + 3], 0) << "reserved of " << i;
    }
}

TEST_F(Sheet, EveryShownFrameIsAWholeCellInsideTheSheet) {
    bool fallReachesRightEdge = false, dreamReachesBottom = false;
    for (const FrameRun& run : kShownIn) {
        for (int n = run.first; n <= run.last; ++n) {
            for (WalkerState s : run.states) {
                const int x = kFrameTable.frameX[n], y = kFrameTable.frameY[n];
                const int w = kStateSizeTable.stateWidth[s], h = kStateSizeTable.stateHeight[s];
                EXPECT_GE(x, 0);
                EXPECT_GE(y, 0);
                EXPECT_LE(x + w, kSheetWidth) << "frame " << n << " state " << s;
                EXPECT_LE(y + h, kSheetHeight) << "frame " << n << " state " << s;
                const Cell* cell = CellAt(x, y);
                ASSERT_NE(cell, nullptr) << "frame " << n;
                EXPECT_TRUE(cell->x == x && cell->y == y && cell->w == w && cell->h == h)
                    << "frame " << n << " state " << s << " is not one whole cell";
                fallReachesRightEdge |= (s == FallRight || s == FallLeft) && x + w == kSheetWidth;
                dreamReachesBottom |= (s == DreamRight || s == DreamLeft) && y + h == kSheetHeight;
            }
        }
    }
    EXPECT_TRUE(fallReachesRightEdge);
    EXPECT_TRUE(dreamReachesBottom);
}

TEST_F(Sheet, BlackOutsideEveryFigureBoxAndBetweenCells) {
    for (int y = 0; y < kSheetHeight; ++y) {
        for (int x = 0; x < kSheetWidth; ++x) {
            const Cell* c = CellAt(x, y);
            const bool inBox = c && x - c->x >= c->left && x - c->x <= c->right &&
                               y - c->y >= c->top && y - c->y <= c->bottom;
            if (!inBox) {
                ASSERT_EQ(Pixel(x, y), 0) << "at (" << x << ", " << y << ")";
            }
        }
    }
}

TEST_F(Sheet, AreasLeftBehindByTheDrawingAndTheErasePatchAreBlack) {
    struct Area {
        int x, y, w, h;
    };
    const Area kAreas[] = {
        {384, 0, 16, 136},
        {256 + 110, 136, 18, 136},
        {352 + 128, 272, 48, 168},
        {0, 440, 50, 168},
        {320 + 128, 744, 32, 24},
        {160, 744, 32, 24},
        {kBackgroundPatch.x, kBackgroundPatch.y, 176, 168},
    };
    for (const Area& a : kAreas) {
        for (int y = a.y; y < a.y + a.h; ++y)
            for (int x = a.x; x < a.x + a.w; ++x)
                ASSERT_EQ(Pixel(x, y), 0) << "at (" << x << ", " << y << ")";
    }
    for (const Cell& c : kCells) {
        const bool overlaps = c.x < kBackgroundPatch.x + 176 && kBackgroundPatch.x < c.x + c.w &&
                              c.y < kBackgroundPatch.y + 168 && kBackgroundPatch.y < c.y + c.h;
        EXPECT_FALSE(overlaps) << "cell (" << c.x << ", " << c.y << ") overlaps the erase patch";
    }
}

TEST_F(Sheet, LeftFacingCellsMirrorTheRightFacingOnes) {
    auto expectMirror = [](int fromX, int fromY, int toX, int toY, int w, int h, int shift) {
        for (int y = 0; y < h; ++y) {
            for (int i = 0; i < w; ++i) {
                const int src = w - 1 - shift - i;
                const int want = src >= 0 ? Pixel(fromX + src, fromY + y) : 0;
                ASSERT_EQ(Pixel(toX + i, toY + y), want)
                    << "column " << i << " row " << y << " of (" << toX << ", " << toY << ")";
            }
        }
    };
    for (int k = 0; k < 8; ++k) expectMirror(128 * k, 0, 896 - 128 * k, 136, 128, 136, 0);
    expectMirror(0, 744, 480, 744, 160, 160, 0);
    expectMirror(160, 744, 320, 744, 160, 160, 0);
    const int kPairs[][2] = {{0, 352},   {176, 176}, {352, 0},   {528, 1056},
                             {704, 880}, {880, 704}, {1056, 528}};
    for (const auto& p : kPairs) expectMirror(p[0], 272, p[1], 440, 176, 168, 1);
}

TEST_F(Sheet, EveryCellHoldsARealDrawing) {
    for (const Cell& c : kCells) {
        int filled = 0, outline = 0;
        std::set<int> colours;
        for (int y = c.y; y < c.y + c.h; ++y) {
            for (int x = c.x; x < c.x + c.w; ++x) {
                const int p = Pixel(x, y);
                if (p) ++filled, colours.insert(p);
                if (p == 1) ++outline;
            }
        }
        EXPECT_GT(filled, 1500) << "cell (" << c.x << ", " << c.y << ")";
        EXPECT_GE(colours.size(), 4u) << "cell (" << c.x << ", " << c.y << ")";
        EXPECT_GT(outline, 150) << "cell (" << c.x << ", " << c.y << ") has no outline";
    }
}

TEST_F(Sheet, FiguresHaveADarkOutlineAgainstTheBlack) {
    // A figure cut off by its box, or a colour painted over the edge, shows as a bright pixel
    // touching the black background.
    for (int y = 0; y < kSheetHeight; ++y) {
        for (int x = 0; x < kSheetWidth; ++x) {
            const int p = Pixel(x, y);
            if (p == 0 || p == 1) continue;
            const bool touchesBlack =
                (x > 0 && Pixel(x - 1, y) == 0) || (x + 1 < kSheetWidth && Pixel(x + 1, y) == 0) ||
                (y > 0 && Pixel(x, y - 1) == 0) || (y + 1 < kSheetHeight && Pixel(x, y + 1) == 0);
            ASSERT_FALSE(touchesBlack)
                << "colour " << p << " at (" << x << ", " << y << ") touches the background";
        }
    }
}

TEST_F(Sheet, AnimationPhasesDifferButStayOnePose) {
    auto differing = [](int ax, int ay, int bx, int by, int w, int h) {
        int n = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) n += Pixel(ax + x, ay + y) != Pixel(bx + x, by + y);
        return n;
    };
    auto filled = [](int x0, int y0, int w, int h) {
        int n = 0;
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) n += Pixel(x, y) != 0;
        return n;
    };
    // Each scene's two alternating images: a small change, not a different picture.
    const int kPhasePairs[][4] = {{176, 272, 352, 272}, {880, 272, 1056, 272}, {0, 744, 160, 744}};
    for (const auto& pair : kPhasePairs) {
        const int w = pair[1] == 744 ? 160 : 176, h = pair[1] == 744 ? 160 : 168;
        const int d = differing(pair[0], pair[1], pair[2], pair[3], w, h);
        EXPECT_GT(d, 40) << "(" << pair[0] << ", " << pair[1]
                         << ") and its second phase look the same";
        EXPECT_LT(d, filled(pair[0], pair[1], w, h))
            << "(" << pair[0] << ", " << pair[1] << ") phases differ wholly";
    }
    // The eight steps of the walk are eight different images.
    for (int a = 0; a < 8; ++a)
        for (int b = a + 1; b < 8; ++b)
            EXPECT_GT(differing(128 * a, 0, 128 * b, 0, 128, 136), 200)
                << "steps " << a + 1 << " and " << b + 1;
}

}  // namespace
