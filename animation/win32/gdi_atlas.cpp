#include "animation/win32/gdi_atlas.h"

#include "animation/atlas_image.h"
#include "animation/atlas_tables.h"
#include "settings/win32/module_instance.h"

void LoadAtlasImage(SpriteAtlas& atlas, int id) {
    HRSRC found = FindResourceA(ModuleInstance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));
    HGLOBAL data = LoadResource(ModuleInstance, found);
    const auto* bytes = static_cast<const uint8_t*>(LockResource(data));
    if (bytes == nullptr) return;  // no sheet: the surface stays black
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bytes);
    atlas.imageHeader = reinterpret_cast<const BITMAPINFO*>(bytes);
    atlas.colourCount = AtlasColourCount(header->biClrUsed, header->biBitCount);

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4 * atlas.colourCount + 8);
    auto* logical = static_cast<LOGPALETTE*>(GlobalLock(block));
    if (logical == nullptr) return;  // a damaged header asked for an impossible palette
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(atlas.colourCount);
    const uint8_t* table = bytes + 40;  // blue, green, red, reserved
    for (int32_t i = 0; i < atlas.colourCount; ++i) {
        logical->palPalEntry[i] = {table[4 * i + 2], table[4 * i + 1], table[4 * i], 0};
    }
    atlas.palette = CreatePalette(logical);
    atlas.imageBits = bytes + header->biSize + 4 * atlas.colourCount;
    FreeResource(data);
    GlobalUnlock(block);
    GlobalFree(block);
}

void CreateAtlasSurface(SpriteAtlas& atlas, HDC windowDC) {
    atlas.surfaceDC = CreateCompatibleDC(windowDC);
    atlas.surfaceBitmap = CreateCompatibleBitmap(windowDC, kSheetWidth, kSheetHeight);
    atlas.previousBitmap = static_cast<HBITMAP>(SelectObject(atlas.surfaceDC, atlas.surfaceBitmap));
    atlas.previousPalette = SelectPalette(atlas.surfaceDC, atlas.palette, FALSE);
    RealizePalette(atlas.surfaceDC);
    if (atlas.imageBits != nullptr) {
        // All stored rows in one band from scan line 0: the whole sheet, upright. (Numbering
        // the band from scan line 904 describes the same transfer, but Wine copies nothing.)
        SetDIBitsToDevice(atlas.surfaceDC, 0, 0, kSheetWidth, kSheetHeight, 0, 0, 0, kSheetHeight,
                          atlas.imageBits, atlas.imageHeader, DIB_RGB_COLORS);
    }
    SelectPalette(atlas.surfaceDC, atlas.previousPalette, FALSE);
}

void ReleaseAtlas(SpriteAtlas& atlas) {
    if (atlas.surfaceDC != nullptr) {
        SelectObject(atlas.surfaceDC, atlas.previousBitmap);
        DeleteDC(atlas.surfaceDC);
        DeleteObject(atlas.surfaceBitmap);
    }
    if (atlas.palette != nullptr) DeleteObject(atlas.palette);
    atlas = SpriteAtlas{};
}
