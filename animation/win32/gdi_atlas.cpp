#include "animation/win32/gdi_atlas.h"

#include "animation/atlas_image.h"
#include "animation/atlas_tables.h"
#include "settings/win32/module_instance.h"

void LoadSheetResource(SpriteAtlas& atlas, int id) {
    HRSRC found = FindResourceA(ModuleInstance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));
    HGLOBAL data = LoadResource(ModuleInstance, found);
    const auto* bytes = static_cast<const uint8_t*>(LockResource(data));
    if (bytes == nullptr) return;  // no sheet: the surface stays black
    // The core's checked reader: a damaged resource leaves the surface black as well.
    AtlasImage image;
    if (!LoadAtlasImage(bytes, SizeofResource(ModuleInstance, found), image, nullptr)) return;
    atlas.imageHeader = reinterpret_cast<const BITMAPINFO*>(image.imageHeader);
    atlas.colourCount = image.colourCount;
    atlas.width = image.width;
    atlas.height = image.height;

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4 * atlas.colourCount + 8);
    auto* logical = static_cast<LOGPALETTE*>(GlobalLock(block));
    if (logical == nullptr) return;
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(atlas.colourCount);
    for (int32_t i = 0; i < atlas.colourCount; ++i) {
        const uint32_t rgb = image.palette[i];
        logical->palPalEntry[i] = {static_cast<BYTE>(rgb >> 16), static_cast<BYTE>(rgb >> 8),
                                   static_cast<BYTE>(rgb), 0};
    }
    atlas.palette = CreatePalette(logical);
    atlas.imageBits = image.imageBits;
    FreeResource(data);
    GlobalUnlock(block);
    GlobalFree(block);
}

void CreateAtlasSurface(SpriteAtlas& atlas, HDC windowDC) {
    atlas.surfaceDC = CreateCompatibleDC(windowDC);
    atlas.surfaceBitmap = CreateCompatibleBitmap(windowDC, atlas.width, atlas.height);
    atlas.previousBitmap = static_cast<HBITMAP>(SelectObject(atlas.surfaceDC, atlas.surfaceBitmap));
    atlas.previousPalette = SelectPalette(atlas.surfaceDC, atlas.palette, FALSE);
    RealizePalette(atlas.surfaceDC);
    if (atlas.imageBits != nullptr) {
        // All stored rows in one band from scan line 0: the whole sheet, upright. (Numbering
        // the band from scan line 904 describes the same transfer, but Wine copies nothing.)
        SetDIBitsToDevice(atlas.surfaceDC, 0, 0, atlas.width, atlas.height, 0, 0, 0, atlas.height,
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
