// The saver window's drawing: what a tick puts on the screen and into a preview, and the GDI and
// USER objects it holds, over thousands of ticks and after closing.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "animation/atlas_tables.h"
#include "animation/win32/animation_window.h"
#include "animation/win32/sound_win32.h"
#include "host/host.h"
#include "host_test_support.h"
#include "resources/resource_ids.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// Whatever sheet the program carries, make every cell white and keep the erase area black, so
// a walker's image is a white box where the frame step put it.
void PaintAtlasWhite() {
    HDC atlas = Animation.atlas.surfaceDC;
    PatBlt(atlas, 0, 0, kSheetWidth, kSheetHeight, WHITENESS);
    PatBlt(atlas, kBackgroundPatch.x, kBackgroundPatch.y, 176, 168, BLACKNESS);
}

// Ticks until walker 0 stands wholly inside the screen, walking; false if she never does.
bool TickUntilWalkerZeroIsInside(HWND window) {
    const int width = FirstPopulation().stage.right;
    for (int i = 0; i < 400; ++i) {
        Tick(window);
        const Walker& w = FirstPopulation().walkers[0];
        if ((w.state == WalkRight || w.state == WalkLeft) && w.drawnX >= 16 &&
            w.drawnX + 128 + 16 <= width) {
            return true;
        }
    }
    return false;
}

class AnimationWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSaverState();
        StoreSettings(6, 1, 2, 1);  // fast, one walker, rare scenes, silent
    }
    void TearDown() override {
        DisposeWindow(window);
        DisposeWindow(previewHost);
    }
    HWND window = nullptr;
    HWND previewHost = nullptr;
};

TEST_F(AnimationWindow, InitialisationBuildsTheAtlasAndTheStage) {
    window = CreateSaverWindow();
    EXPECT_EQ(GetObjectType(Animation.atlas.palette), static_cast<DWORD>(OBJ_PAL));
    EXPECT_EQ(GetObjectType(Animation.atlas.surfaceDC), static_cast<DWORD>(OBJ_MEMDC));
    EXPECT_EQ(GetCurrentObject(Animation.atlas.surfaceDC, OBJ_BITMAP),
              Animation.atlas.surfaceBitmap);
    BITMAP size;
    ASSERT_TRUE(GetObjectA(Animation.atlas.surfaceBitmap, sizeof size, &size));
    EXPECT_EQ(size.bmWidth, kSheetWidth);
    EXPECT_EQ(size.bmHeight, kSheetHeight);
    EXPECT_EQ(Animation.atlas.colourCount, 16);
    EXPECT_EQ(FirstPopulation().stage.count, 1);
    EXPECT_EQ(FirstPopulation().stage.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(FirstPopulation().stage.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(Animation.settings.timerInterval, 1u);
    EXPECT_FALSE(Animation.sound.on);
}

TEST_F(AnimationWindow, TheSheetReachesTheSurfaceUpright) {
    window = CreateSaverWindow();
    // The sheet's own colour table, read back through the palette the atlas made of it.
    const BITMAPINFO* header = Animation.atlas.imageHeader;
    ASSERT_NE(header, nullptr);
    PALETTEENTRY entries[16];
    ASSERT_EQ(GetPaletteEntries(Animation.atlas.palette, 0, 16, entries), 16u);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(entries[i].peRed, header->bmiColors[i].rgbRed) << i;
        EXPECT_EQ(entries[i].peBlue, header->bmiColors[i].rgbBlue) << i;
    }
    // Atlas pixel (x, y) is pixel x of stored row 903 - y, high nibble first.
    const uint8_t* bits = Animation.atlas.imageBits;
    const int rowBytes = kSheetWidth / 2;
    int mismatches = 0;
    for (int y = 0; y < kSheetHeight; y += 7) {
        for (int x = 0; x < kSheetWidth; x += 5) {
            const uint8_t pair = bits[(kSheetHeight - 1 - y) * rowBytes + x / 2];
            const RGBQUAD& q = header->bmiColors[x % 2 == 0 ? pair >> 4 : pair & 0x0F];
            if (GetPixel(Animation.atlas.surfaceDC, x, y) != RGB(q.rgbRed, q.rgbGreen, q.rgbBlue)) {
                if (++mismatches < 6) {
                    ADD_FAILURE() << "(" << x << ", " << y << ") " << std::hex
                                  << GetPixel(Animation.atlas.surfaceDC, x, y) << " not "
                                  << RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(AnimationWindow, FullScreenTickDrawsTheWalkerOnTheWindow) {
    window = CreateSaverWindow();
    PaintAtlasWhite();
    ASSERT_TRUE(TickUntilWalkerZeroIsInside(window));
    const Walker& w = FirstPopulation().walkers[0];
    EXPECT_EQ(WindowPixel(window, w.drawnX + 64, w.drawnY + 68), kWhite);
    // Just beside her image: black (the strip she left was erased, the rest never drawn).
    const int beside = w.state == WalkRight ? w.drawnX - 8 : w.drawnX + 128 + 8;
    EXPECT_EQ(WindowPixel(window, beside, w.drawnY + 68), kBlack);
}

// A 1-pixel checkerboard over the whole sheet (the erase area stays black): enlarged without
// smoothing, every sheet pixel becomes a uniform block, and neighbouring blocks differ.
void PaintAtlasCheckerboard() {
    const WORD rows[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    HBITMAP pattern = CreateBitmap(8, 8, 1, 1, rows);
    HBRUSH brush = CreatePatternBrush(pattern);
    HDC atlas = Animation.atlas.surfaceDC;
    SetTextColor(atlas, kBlack);
    SetBkColor(atlas, kWhite);
    HGDIOBJ previous = SelectObject(atlas, brush);
    PatBlt(atlas, 0, 0, kSheetWidth, kSheetHeight, PATCOPY);
    SelectObject(atlas, previous);
    DeleteObject(brush);
    DeleteObject(pattern);
    PatBlt(atlas, kBackgroundPatch.x, kBackgroundPatch.y, 176, 168, BLACKNESS);
}

int HighDpi() { return 192; }

TEST_F(AnimationWindow, AtTwiceTheDpiEachSpritePixelIsATwoByTwoBlockWithHardEdges) {
    Animation.getScreenDpi = HighDpi;
    window = CreateSaverWindow();
    ASSERT_EQ(Animation.scale, 2);
    EXPECT_EQ(FirstPopulation().stage.right, GetSystemMetrics(SM_CXSCREEN) / 2);
    EXPECT_EQ(FirstPopulation().stage.bottom, GetSystemMetrics(SM_CYSCREEN) / 2);
    PaintAtlasCheckerboard();
    ASSERT_TRUE(TickUntilWalkerZeroIsInside(window));
    const Walker& w = FirstPopulation().walkers[0];
    HDC dc = GetDC(window);
    int uneven = 0;
    int alike = 0;
    for (int y = w.drawnY + 60; y < w.drawnY + 76; ++y) {
        for (int x = w.drawnX + 56; x < w.drawnX + 72; ++x) {
            const COLORREF block = GetPixel(dc, 2 * x, 2 * y);
            if (GetPixel(dc, 2 * x + 1, 2 * y) != block ||
                GetPixel(dc, 2 * x, 2 * y + 1) != block ||
                GetPixel(dc, 2 * x + 1, 2 * y + 1) != block) {
                ++uneven;
            }
            if (GetPixel(dc, 2 * x + 2, 2 * y) == block) ++alike;
        }
    }
    ReleaseDC(window, dc);
    // Uniform blocks that alternate: her image is there, at twice her position and size.
    EXPECT_EQ(uneven, 0);
    EXPECT_EQ(alike, 0);
    const int beside = w.state == WalkRight ? w.drawnX - 8 : w.drawnX + 128 + 8;
    EXPECT_EQ(WindowPixel(window, 2 * beside, 2 * (w.drawnY + 68)), kBlack);
}

TEST_F(AnimationWindow, PreviewStretchesTheWholeScreenIntoTheHostWindow) {
    const int previewWidth = 256;
    const int previewHeight = 192;
    previewHost = CreatePreviewHost(previewWidth, previewHeight);
    window = CreateSaverWindow(previewHost);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, previewWidth);
    EXPECT_EQ(client.bottom, previewHeight);
    EXPECT_EQ(FirstPopulation().stage.right, GetSystemMetrics(SM_CXSCREEN));

    PaintAtlasWhite();
    ASSERT_TRUE(TickUntilWalkerZeroIsInside(window));
    const Walker& w = FirstPopulation().walkers[0];
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const int centreX = (w.drawnX + 64) * previewWidth / screenWidth;
    const int centreY = (w.drawnY + 68) * previewHeight / screenHeight;
    EXPECT_EQ(WindowPixel(window, centreX, centreY), kWhite);
    // The image is about a quarter of its screen size here; a screen column 200 pixels away
    // from her is black.
    const int farX =
        (w.state == WalkRight ? w.drawnX - 200 : w.drawnX + 328) * previewWidth / screenWidth;
    if (farX >= 0 && farX < previewWidth) {
        EXPECT_EQ(WindowPixel(window, farX, centreY), kBlack);
    }
    // The off-screen copy has the walker at full size.
    EXPECT_EQ(GetPixel(Animation.previewDC, w.drawnX + 64, w.drawnY + 68), kWhite);
}

TEST_F(AnimationWindow, PreviewIgnoresKeysAndClicks) {
    previewHost = CreatePreviewHost(160, 120);
    window = CreateSaverWindow(previewHost);
    for (UINT input : {WM_KEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN}) {
        SendMessageA(window, input, 0, 0);
    }
    EXPECT_FALSE(TakeQueuedClose(window));
    Pump();
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(AnimationWindow, ObjectCountsStayFlatOverThousandsOfTicksAndReturnAfterClose) {
    StoreSettings(6, 3, 0, 1);
    // One full round first: the platform keeps some caches from the first window it paints.
    window = CreateSaverWindow();
    Tick(window);
    SendMessageA(window, WM_CLOSE, 0, 0);
    Pump();
    ResetSaverState();

    const int gdiBefore = CountGdiObjects();
    const int windowsBefore = CountThreadWindows();
    window = CreateSaverWindow();
    for (int i = 0; i < 50; ++i) Tick(window);
    const int gdiRunning = CountGdiObjects();
    EXPECT_GT(gdiRunning, gdiBefore);  // palette, surface, bitmap, the window's own context
    EXPECT_GT(CountThreadWindows(), windowsBefore);
    for (int i = 0; i < 3000; ++i) Tick(window);
    EXPECT_EQ(CountGdiObjects(), gdiRunning);
    SendMessageA(window, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(CountGdiObjects(), gdiBefore);
    EXPECT_EQ(CountThreadWindows(), windowsBefore);
}

// Another program may post the initialise message again: nothing is built a second time, and
// the walkers go on where they were.
TEST_F(AnimationWindow, OnlyTheFirstInitialiseMessageBuildsAnything) {
    window = CreateSaverWindow();
    Tick(window);
    KillTimer(window, kTickTimerId);  // no tick of its own while the messages are handled
    Pump();
    const int gdiBefore = CountGdiObjects();
    const SpriteAtlas atlas = Animation.atlas;
    const Walker walker = FirstPopulation().walkers[0];
    for (int i = 0; i < 30; ++i) PostMessageA(window, MSG_INIT_SAVER, 0, 0);
    Pump();
    EXPECT_EQ(CountGdiObjects(), gdiBefore);
    EXPECT_EQ(Animation.atlas.surfaceDC, atlas.surfaceDC);
    EXPECT_EQ(Animation.atlas.palette, atlas.palette);
    EXPECT_EQ(std::memcmp(&FirstPopulation().walkers[0], &walker, sizeof walker), 0);
    Tick(window);
    EXPECT_NE(std::memcmp(&FirstPopulation().walkers[0], &walker, sizeof walker), 0);
}

TEST_F(AnimationWindow, PreviewReleasesItsObjectsWhenTheHostWindowGoes) {
    previewHost = CreatePreviewHost(200, 150);
    const int gdiBefore = CountGdiObjects();
    window = CreateSaverWindow(previewHost);
    for (int i = 0; i < 500; ++i) Tick(window);
    EXPECT_GT(CountGdiObjects(), gdiBefore);
    DestroyWindow(previewHost);
    Pump();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(CountGdiObjects(), gdiBefore);
}

// The screens as a test poses them: one monitor, or none known (size 0) for the real one.
ScreenArea posed{};
int WINAPI PosedScreens(int index) {
    if (posed.width == 0) return GetSystemMetrics(index);
    switch (index) {
        case SM_CXSCREEN:
            return posed.width;
        case SM_CYSCREEN:
            return posed.height;
        case SM_XVIRTUALSCREEN:
            return posed.left;
        case SM_YVIRTUALSCREEN:
            return posed.top;
        case SM_CXVIRTUALSCREEN:
            return posed.width;
        case SM_CYVIRTUALSCREEN:
            return posed.height;
        default:
            return GetSystemMetrics(index);
    }
}

int PosedMonitors(ScreenArea* monitors, int capacity) {
    if (posed.width == 0) return ListMonitors(monitors, capacity);
    monitors[0] = posed;
    return 1;
}

RECT WindowFrame(HWND window) {
    RECT frame{};
    GetWindowRect(window, &frame);
    return frame;
}

// Whatever tells the saver (a message, or only the next tick, as under Wine), the window covers
// the new screen at once and the walkers start on a stage of its size; nothing is left behind.
TEST_F(AnimationWindow, ChangedScreensAreCoveredAtOnceWithoutLeaks) {
    StoreSettings(6, 3, 2, 1);
    posed = ScreenArea{};
    Animation.getSystemMetrics = PosedScreens;
    Animation.listMonitors = PosedMonitors;
    window = CreateSaverWindow();
    Tick(window);
    const int gdiBefore = CountGdiObjects();
    const ScreenArea sizes[] = {{0, 0, 800, 600}, {-640, 0, 1664, 768}, {0, 0, 400, 150}};
    const UINT messages[] = {WM_DISPLAYCHANGE, WM_SETTINGCHANGE, WM_TIMER};
    for (int i = 0; i < 60; ++i) {
        posed = sizes[i % 3];
        if (messages[i / 3 % 3] == WM_TIMER) {
            Tick(window);
        } else {
            SendMessageA(window, messages[i / 3 % 3], 0, 0);
        }
        const RECT frame = WindowFrame(window);
        ASSERT_EQ(frame.left, posed.left) << i;
        ASSERT_EQ(frame.right - frame.left, posed.width) << i;
        ASSERT_EQ(frame.bottom - frame.top, posed.height) << i;
        ASSERT_EQ(FirstPopulation().stage.right, posed.width) << i;
        ASSERT_EQ(FirstPopulation().stage.count, posed.height < 390 ? 1 : 3) << i;
    }
    Tick(window);
    EXPECT_EQ(CountGdiObjects(), gdiBefore);
    // A setting change that leaves the screens as they are keeps the walkers where they were.
    const Walker walker = FirstPopulation().walkers[0];
    SendMessageA(window, WM_SETTINGCHANGE, 0, 0);
    EXPECT_EQ(std::memcmp(&FirstPopulation().walkers[0], &walker, sizeof walker), 0);
}

// Two monitors of unequal height side by side on the test's one real screen: the window is all
// on screen here, so what it holds below the lower monitor is what the saver drew there.
int LowerRightMonitor(ScreenArea* monitors, int) {
    monitors[0] = {0, 0, 512, 768};
    monitors[1] = {512, 0, 512, 390};
    return 2;
}

// Non-black pixels of a part of the window, copied out in one go.
int LitPixels(HWND window, const RECT& part) {
    const int w = part.right - part.left, h = part.bottom - part.top;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC windowDC = GetDC(window);
    HDC copy = CreateCompatibleDC(windowDC);
    HBITMAP bitmap = CreateDIBSection(windowDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(copy, bitmap);
    BitBlt(copy, 0, 0, w, h, windowDC, part.left, part.top, SRCCOPY);
    int lit = 0;
    for (int i = 0; i < w * h; ++i) lit += (static_cast<const DWORD*>(bits)[i] & 0xFFFFFF) != 0;
    SelectObject(copy, previous);
    DeleteObject(bitmap);
    DeleteDC(copy);
    ReleaseDC(window, windowDC);
    return lit;
}

TEST_F(AnimationWindow, NothingIsDrawnWhereNoMonitorIs) {
    StoreSettings(6, 3, 2, 1);
    posed = ScreenArea{0, 0, 1024, 768};
    Animation.getSystemMetrics = PosedScreens;
    Animation.listMonitors = LowerRightMonitor;
    window = CreateSaverWindow();
    PaintAtlasWhite();
    int onLowerMonitor = 0, belowIt = 0;
    for (int i = 0; i < 40; ++i) {
        for (int t = 0; t < 10; ++t) Tick(window);
        onLowerMonitor += LitPixels(window, {512, 0, 1024, 390});
        belowIt += LitPixels(window, {512, 390, 1024, 768});
    }
    EXPECT_GT(onLowerMonitor, 0);
    EXPECT_EQ(belowIt, 0);
}

// The real resource look-ups with a wave device that is always there, and plays written down.
UINT WINAPI OneWaveDevice() { return 1; }
struct PlayRequest {
    const uint8_t* image;
    UINT flags;
};
std::vector<PlayRequest> played;
BOOL WINAPI RecordPlay(LPCSTR sound, UINT flags) {
    played.push_back({reinterpret_cast<const uint8_t*>(sound), flags});
    return TRUE;
}
Win32SoundPlatform RecordingSound() {
    played.clear();
    Win32SoundPlatform sound;
    sound.getWaveOutDeviceCount = OneWaveDevice;
    sound.playSound = RecordPlay;
    return sound;
}

const uint8_t* ResourceImage(int id) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(RT_SOUND_EFFECT));
    return found ? static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, found)))
                 : nullptr;
}

TEST_F(AnimationWindow, SoundOnLoadsTheThreeWaveResourcesAndPlaysTheCues) {
    StoreSettings(6, 3, 0, 0);  // sound on, frequent scenes
    Win32SoundPlatform sound = RecordingSound();
    Animation.soundPlatform = &sound;
    window = CreateSaverWindow();
    ASSERT_TRUE(Animation.sound.on);
    for (int cue = 0; cue < kSoundCueCount; ++cue) {
        const uint8_t* image = sound.bank[cue];
        ASSERT_NE(image, nullptr) << cue;
        EXPECT_EQ(image, ResourceImage(IDR_SOUND_FALL_END + cue)) << cue;
        EXPECT_EQ(std::memcmp(image, "RIFF", 4), 0) << cue;
        EXPECT_EQ(std::memcmp(image + 8, "WAVE", 4), 0) << cue;
    }
    for (int i = 0; i < 3000 && played.empty(); ++i) Tick(window);
    ASSERT_FALSE(played.empty()) << "no scene with a sound in 3000 ticks";
    EXPECT_TRUE(played[0].image == sound.bank[FallStartCue] ||
                played[0].image == sound.bank[DreamStartCue]);  // a scene starts before it ends
    EXPECT_EQ(played[0].flags, static_cast<UINT>(SND_ASYNC | SND_NODEFAULT | SND_MEMORY));
}

TEST_F(AnimationWindow, SoundOffLoadsNothingAndPlaysNothing) {
    StoreSettings(6, 3, 0, 2);  // any nonzero "SE" is off
    Win32SoundPlatform sound = RecordingSound();
    Animation.soundPlatform = &sound;
    window = CreateSaverWindow();
    EXPECT_FALSE(Animation.sound.on);
    for (int i = 0; i < 1000; ++i) Tick(window);
    for (const uint8_t* image : sound.bank) EXPECT_EQ(image, nullptr);
    EXPECT_TRUE(played.empty());
}

// A missing sound leaves its cue without an image, which still stops the sound in progress.
TEST_F(AnimationWindow, AMissingSoundStaysNullAndItsCueStopsTheSound) {
    Win32SoundPlatform sound = RecordingSound();
    LoadSoundResources(nullptr, {IDR_SOUND_FALL_END, 299, IDR_SOUND_FALL_START}, sound.bank);
    EXPECT_EQ(sound.bank[FallEndCue], ResourceImage(IDR_SOUND_FALL_END));
    EXPECT_EQ(sound.bank[DreamStartCue], nullptr);
    EXPECT_EQ(sound.bank[FallStartCue], ResourceImage(IDR_SOUND_FALL_START));
    sound.Play(DreamStartCue);
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].image, nullptr);
    uint8_t mark = 0;
    const uint8_t* untouched[kSoundCueCount] = {&mark, &mark, &mark};
    LoadSoundResources(nullptr, {297, 298, 299}, untouched);  // none loads: nothing is locked
    for (const uint8_t* image : untouched) EXPECT_EQ(image, &mark);
}

}  // namespace
