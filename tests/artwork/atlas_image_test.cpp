#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "animation/atlas_image.h"
#include "animation/atlas_tables.h"

namespace {

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A bitmap with a 40-byte header, `tableEntries` colour-table entries (entry i stored as blue i,
// green 2i, red 3i) and zeroed pixel rows.
struct Dib {
    std::vector<uint8_t> bytes;
    size_t bitsOffset;
    size_t rowBytes;
};

Dib MakeDib(int32_t width, int32_t height, uint16_t bitCount, uint32_t clrUsed, int tableEntries) {
    Dib dib;
    dib.rowBytes = (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
    dib.bitsOffset = 40 + 4 * static_cast<size_t>(tableEntries);
    dib.bytes.assign(dib.bitsOffset + dib.rowBytes * height, 0);
    Put32(dib.bytes, 0, 40);
    Put32(dib.bytes, 4, static_cast<uint32_t>(width));
    Put32(dib.bytes, 8, static_cast<uint32_t>(height));
    dib.bytes[12] = 1;
    dib.bytes[14] = static_cast<uint8_t>(bitCount);
    Put32(dib.bytes, 20, static_cast<uint32_t>(dib.rowBytes * height));
    Put32(dib.bytes, 32, clrUsed);
    for (int i = 0; i < tableEntries; ++i) {
        dib.bytes[40 + 4 * i] = static_cast<uint8_t>(i);
        dib.bytes[41 + 4 * i] = static_cast<uint8_t>(2 * i);
        dib.bytes[42 + 4 * i] = static_cast<uint8_t>(3 * i);
    }
    return dib;
}

TEST(AtlasImage, ColourCountFollowsClrUsedFirstThenBitCount) {
    EXPECT_EQ(AtlasColourCount(0, 1), 2);
    EXPECT_EQ(AtlasColourCount(0, 4), 16);
    EXPECT_EQ(AtlasColourCount(0, 8), 256);
    for (uint16_t bits : {0, 2, 3, 16, 24, 32}) EXPECT_EQ(AtlasColourCount(0, bits), 0) << bits;
    EXPECT_EQ(AtlasColourCount(5, 4), 5);
    EXPECT_EQ(AtlasColourCount(3, 24), 3);
    EXPECT_EQ(AtlasColourCount(200, 1), 200);
}

TEST(AtlasImage, PixelsStartAfterHeaderAndColourTable) {
    struct Case {
        uint16_t bits;
        uint32_t clrUsed;
        int entries;
    } cases[] = {{4, 0, 16}, {8, 0, 256}, {1, 0, 2},  {8, 5, 5},
                 {4, 3, 3},  {24, 0, 0},  {32, 0, 0}, {24, 2, 2}};
    for (const Case& c : cases) {
        const Dib dib = MakeDib(6, 3, c.bits, c.clrUsed, c.entries);
        AtlasImage image;
        const char* error = nullptr;
        ASSERT_TRUE(LoadAtlasImage(dib.bytes.data(), dib.bytes.size(), image, &error)) << error;
        EXPECT_EQ(image.colourCount, c.entries) << c.bits << " bits, clrUsed " << c.clrUsed;
        EXPECT_EQ(image.imageHeader, dib.bytes.data());
        EXPECT_EQ(image.imageBits - dib.bytes.data(), static_cast<ptrdiff_t>(dib.bitsOffset));
        EXPECT_EQ(image.rowBytes, static_cast<int32_t>(dib.rowBytes));
        for (int i = 0; i < c.entries; ++i) {
            const uint32_t expected = (3u * i & 255) << 16 | (2u * i & 255) << 8 | (i & 255);
            ASSERT_EQ(image.palette[i], expected) << "entry " << i;
        }
        if (c.entries < 256) {
            EXPECT_EQ(image.palette[c.entries], 0u);  // past the table: black
        }
    }
}

TEST(AtlasImage, ColourTableIsBlueGreenRed) {
    Dib dib = MakeDib(kSheetWidth, kSheetHeight, 4, 0, 16);
    const uint8_t entry9[4] = {32, 144, 176, 0};
    std::memcpy(&dib.bytes[40 + 4 * 9], entry9, 4);
    AtlasImage image;
    ASSERT_TRUE(LoadAtlasImage(dib.bytes.data(), dib.bytes.size(), image, nullptr));
    EXPECT_EQ(image.palette[9], (176u << 16) | (144u << 8) | 32u);
    EXPECT_EQ(image.imageBits - image.imageHeader, 104);
    EXPECT_EQ(dib.bytes.size(), 556968u);
}

TEST(AtlasImage, SheetRowsAreStoredBottomUpHighNibbleFirst) {
    Dib dib = MakeDib(kSheetWidth, kSheetHeight, 4, 0, 16);
    dib.bytes[dib.bitsOffset] = 0x50;            // first stored byte: atlas (0, 903) and (1, 903)
    dib.bytes.back() = 0x9A;                     // last byte: atlas (1230, 0) and (1231, 0)
    dib.bytes[dib.bitsOffset + 616 + 3] = 0x0C;  // second stored row: atlas (7, 902)
    AtlasImage image;
    ASSERT_TRUE(LoadAtlasImage(dib.bytes.data(), dib.bytes.size(), image, nullptr));
    Surface atlas;
    const char* error = nullptr;
    ASSERT_TRUE(ConvertAtlasToSurface(image, atlas, &error)) << error;
    ASSERT_EQ(atlas.width, kSheetWidth);
    ASSERT_EQ(atlas.height, kSheetHeight);
    EXPECT_EQ(atlas.At(0, 903), image.palette[5]);
    EXPECT_EQ(atlas.At(1230, 0), image.palette[9]);
    EXPECT_EQ(atlas.At(1231, 0), image.palette[10]);
    EXPECT_EQ(atlas.At(7, 902), image.palette[12]);
    int nonBlack = 0;
    for (uint32_t pixel : atlas.pixels) nonBlack += pixel != 0;
    EXPECT_EQ(nonBlack, 4);
}

TEST(AtlasImage, OneAndEightBitRowsWithPadding) {
    // 9 pixels of 1 bit take 2 bytes, padded to 4: the second row starts at byte 4.
    Dib mono = MakeDib(9, 2, 1, 0, 2);
    mono.bytes[mono.bitsOffset] = 0x80;      // stored row 0, x 0
    mono.bytes[mono.bitsOffset + 5] = 0x80;  // stored row 1, x 8
    AtlasImage image;
    Surface surface;
    ASSERT_TRUE(LoadAtlasImage(mono.bytes.data(), mono.bytes.size(), image, nullptr));
    ASSERT_TRUE(ConvertAtlasToSurface(image, surface, nullptr));
    EXPECT_EQ(surface.At(0, 1), image.palette[1]);
    EXPECT_EQ(surface.At(8, 0), image.palette[1]);
    EXPECT_EQ(surface.At(0, 0), image.palette[0]);

    // 8 bits with a 4-entry table: index 3 has a colour, index 200 is past the table (black).
    Dib eight = MakeDib(3, 1, 8, 4, 4);
    eight.bytes[eight.bitsOffset] = 3;
    eight.bytes[eight.bitsOffset + 1] = 200;
    ASSERT_TRUE(LoadAtlasImage(eight.bytes.data(), eight.bytes.size(), image, nullptr));
    ASSERT_TRUE(ConvertAtlasToSurface(image, surface, nullptr));
    EXPECT_EQ(surface.At(0, 0), 0x00090603u);
    EXPECT_EQ(surface.At(1, 0), 0u);
}

TEST(AtlasImage, WholeBmpFileIsAcceptedAfterItsFileHeader) {
    const Dib dib = MakeDib(4, 2, 4, 0, 16);
    std::vector<uint8_t> file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    file.insert(file.end(), dib.bytes.begin(), dib.bytes.end());
    const uint8_t* data = file.data();
    size_t size = file.size();
    SkipBitmapFileHeader(data, size);
    EXPECT_EQ(data, file.data() + 14);
    EXPECT_EQ(size, dib.bytes.size());
    AtlasImage image;
    EXPECT_TRUE(LoadAtlasImage(data, size, image, nullptr));

    // Bare bitmaps are left alone.
    data = dib.bytes.data();
    size = dib.bytes.size();
    SkipBitmapFileHeader(data, size);
    EXPECT_EQ(data, dib.bytes.data());
}

TEST(AtlasImage, DamagedBitmapsAreRefusedWithAReason) {
    const Dib good = MakeDib(8, 4, 4, 0, 16);
    struct Damage {
        const char* what;
        size_t offset;
        uint32_t value;
    } damages[] = {
        {"header size 12", 0, 12},
        {"header size past the end", 0, 100000},
        {"width 0", 4, 0},
        {"negative width", 4, static_cast<uint32_t>(-8)},
        {"huge width", 4, 40000},
        {"height 0", 8, 0},
        {"top-down height", 8, static_cast<uint32_t>(-4)},
        {"huge height", 8, 0x7FFFFFFF},
        {"bit count 3", 14, 3},
        {"bit count 0", 14, 0},
        {"RLE compression", 16, 2},
        {"bit fields", 16, 3},
        {"257 colours", 32, 257},
        {"4 billion colours", 32, 0xFFFFFFFF},
        {"table past the end", 32, 30},
    };
    for (const Damage& d : damages) {
        std::vector<uint8_t> bytes = good.bytes;
        if (d.offset == 14) {
            bytes[14] = static_cast<uint8_t>(d.value);
        } else {
            Put32(bytes, d.offset, d.value);
        }
        AtlasImage image;
        const char* error = nullptr;
        EXPECT_FALSE(LoadAtlasImage(bytes.data(), bytes.size(), image, &error)) << d.what;
        EXPECT_NE(error, nullptr) << d.what;
        EXPECT_EQ(image.imageBits, nullptr) << d.what;
    }

    // Every shortened copy is refused; copying into an exact-size buffer lets a sanitizer
    // catch any read past the end.
    for (size_t length = 0; length < good.bytes.size(); ++length) {
        std::vector<uint8_t> shortened(good.bytes.begin(), good.bytes.begin() + length);
        AtlasImage image;
        const char* error = nullptr;
        EXPECT_FALSE(LoadAtlasImage(shortened.data(), length, image, &error)) << length;
        EXPECT_NE(error, nullptr);
    }
    AtlasImage image;
    EXPECT_FALSE(LoadAtlasImage(nullptr, 0, image, nullptr));
}

TEST(AtlasImage, OnlyColourTableImagesConvert) {
    for (uint16_t bits : {2, 16, 24, 32}) {
        const Dib dib = MakeDib(5, 2, bits, 0, 0);
        AtlasImage image;
        ASSERT_TRUE(LoadAtlasImage(dib.bytes.data(), dib.bytes.size(), image, nullptr)) << bits;
        Surface surface;
        const char* error = nullptr;
        EXPECT_FALSE(ConvertAtlasToSurface(image, surface, &error)) << bits;
        EXPECT_NE(error, nullptr);
    }
    Surface surface;
    EXPECT_FALSE(ConvertAtlasToSurface(AtlasImage{}, surface, nullptr));
}

}  // namespace
