// The sprite sheet on a GDI memory surface in the display's format, its palette, and the canvas
// that copies rectangles out of it.
#pragma once
#include <windows.h>

#include <cstdint>

#include "animation/atlas_tables.h"
#include "animation/canvas.h"

struct SpriteAtlas {
    const BITMAPINFO* imageHeader = nullptr;  // inside the resource data, never copied
    const uint8_t* imageBits = nullptr;
    int32_t colourCount = 0;
    int32_t width = kSheetWidth;    // the sheet's own size once read; without one, a black surface
    int32_t height = kSheetHeight;  // of the size the atlas tables expect
    HPALETTE palette = nullptr;
    HDC surfaceDC = nullptr;
    HBITMAP surfaceBitmap = nullptr;
    HBITMAP previousBitmap = nullptr;
    HPALETTE previousPalette = nullptr;
};

// Reads bitmap resource `id` of ModuleInstance with the core's bitmap reader and makes the
// palette of its colour table.
void LoadSheetResource(SpriteAtlas& atlas, int id);
// Builds the memory surface compatible with `windowDC` and transfers the whole sheet onto it.
void CreateAtlasSurface(SpriteAtlas& atlas, HDC windowDC);
// Puts the surface's own bitmap back, then deletes the surface, its bitmap and the palette.
void ReleaseAtlas(SpriteAtlas& atlas);

// At a scale above 1 each sprite pixel becomes a block of scale x scale target pixels, copied
// as it is (the target's stretch mode should be COLORONCOLOR, never smoothing). The origin, in
// target pixels, is where sprite pixel (0, 0) goes: one picture of several in one window.
class GdiCanvas final : public Canvas {
public:
    GdiCanvas(HDC target, HDC atlas, int32_t scale = 1, int32_t originX = 0, int32_t originY = 0)
        : target_(target), atlas_(atlas), scale_(scale), originX_(originX), originY_(originY) {}
    void CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override {
        if (scale_ == 1) {
            BitBlt(target_, originX_ + dstX, originY_ + dstY, w, h, atlas_, srcX, srcY, SRCCOPY);
        } else {
            StretchBlt(target_, originX_ + dstX * scale_, originY_ + dstY * scale_, w * scale_,
                       h * scale_, atlas_, srcX, srcY, w, h, SRCCOPY);
        }
    }

private:
    HDC target_;
    HDC atlas_;
    int32_t scale_;
    int32_t originX_;
    int32_t originY_;
};
