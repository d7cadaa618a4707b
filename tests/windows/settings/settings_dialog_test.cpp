// The settings dialog with its real template, driven through real controls where the platform
// allows it (focus changes, typed characters, keys to the scroll bar, button clicks).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "animation/screen_geometry.h"
#include "resources/resource_ids.h"
#include "settings/win32/module_instance.h"
#include "settings/win32/settings_dialog.h"
#include "tests/windows/settings/settings_test_support.h"

namespace {

const std::string kDefaultsWritten = "Speed=4\r\nCharactors=1\r\nEvent=1\r\nSE=1\r\n";

class SettingsDialogTest : public testing::Test {
protected:
    void SetUp() override {
        RemoveProfileFile();
        ResetSettingsDialogState();
        FakeScreenHeight = 768;
        FakeWaveDevices = 0;
        WaveDeviceQueries = 0;
        SettingsDialog.getSystemMetrics = FakeGetSystemMetrics;
        SettingsDialog.getScreenDpi = FakeScreenDpi;
        FakeDpi = 96;
        SettingsDialog.getWaveOutDeviceCount = FakeWaveOutGetNumDevs;
    }
    void TearDown() override {
        if (dialog_) DestroyWindow(dialog_);
        RemoveProfileFile();
        ResetSettingsDialogState();
    }

    HWND Open(HWND owner = nullptr) {
        dialog_ = CreateDialogParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_SETTINGS), owner,
                                     SettingsDialogProc, 0);
        EXPECT_NE(dialog_, nullptr);
        ShowWindow(dialog_, SW_SHOW);  // the template is not visible by itself
        return dialog_;
    }
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    bool Checked(int id) const { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }
    int BarPosition() const { return GetScrollPos(Item(IDC_SPEED_BAR), SB_CTL); }
    std::string EditText() const { return WindowTextA(Item(IDC_COUNT_EDIT)); }
    // Straight to the procedure, as the dialog manager calls it, so its result can be seen.
    INT_PTR Command(int id, int code = BN_CLICKED) {
        return SettingsDialogProc(dialog_, WM_COMMAND, MAKEWPARAM(id, code),
                                  reinterpret_cast<LPARAM>(Item(id)));
    }
    void SpeedBar(int code, int position = 0) {
        SendMessageA(dialog_, WM_HSCROLL, MAKEWPARAM(code, position),
                     reinterpret_cast<LPARAM>(Item(IDC_SPEED_BAR)));
    }
    void Spin(int code) {
        SendMessageA(dialog_, WM_VSCROLL, MAKEWPARAM(code, 0),
                     reinterpret_cast<LPARAM>(Item(IDC_COUNT_SPIN)));
    }
    // Focuses the edit, replaces its text by typing, then moves the focus away.
    void TypeCount(const std::vector<WPARAM>& keys) {
        HWND edit = Item(IDC_COUNT_EDIT);
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        for (WPARAM key : keys) SendMessageA(edit, WM_CHAR, key, 1);
        SetFocus(Item(IDC_SPEED_BAR));
    }

    HWND dialog_ = nullptr;
};

TEST_F(SettingsDialogTest, NoStoredSettingsShowsTheDialogDefaults) {
    Open();
    EXPECT_EQ(SettingsDialog.speedLevel, 4);
    EXPECT_EQ(BarPosition(), 4);
    int low = -1, high = -1;
    GetScrollRange(Item(IDC_SPEED_BAR), SB_CTL, &low, &high);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 6);
    EXPECT_EQ(EditText(), "1");
    EXPECT_EQ(SettingsDialog.walkerCount, 1);
    EXPECT_TRUE(Checked(IDC_EVENT_NORMAL));
    EXPECT_FALSE(Checked(IDC_EVENT_HIGH) || Checked(IDC_EVENT_LOW));
    EXPECT_TRUE(Checked(IDC_SOUND_OFF));
    EXPECT_FALSE(Checked(IDC_SOUND_ON));
    EXPECT_EQ(GetFocus(), Item(IDC_SPEED_BAR));
    EXPECT_EQ(SettingsDialog.speedBar, Item(IDC_SPEED_BAR));
    EXPECT_EQ(SettingsDialog.countSpin, Item(IDC_COUNT_SPIN));
    EXPECT_EQ(WindowTextW(dialog_), L"てくてくポルッカの設定");
    EXPECT_EQ(ReadProfileFile(), "<missing>");  // opening writes nothing
}

TEST_F(SettingsDialogTest, ResultsOfTheProcedure) {
    HWND dialog = CreateDialogParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_SETTINGS), nullptr,
                                     SettingsDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    dialog_ = dialog;
    HWND bar = GetDlgItem(dialog, IDC_SPEED_BAR);
    HWND spin = GetDlgItem(dialog, IDC_COUNT_SPIN);
    // WM_INITDIALOG answers FALSE because it has set the focus itself.
    EXPECT_EQ(SettingsDialogProc(dialog, WM_INITDIALOG, 0, 0), FALSE);
    EXPECT_EQ(SettingsDialogProc(dialog, WM_HSCROLL, SB_LINELEFT, reinterpret_cast<LPARAM>(bar)),
              FALSE);
    EXPECT_EQ(SettingsDialogProc(dialog, WM_HSCROLL, SB_LINELEFT, 0), FALSE);
    EXPECT_EQ(SettingsDialogProc(dialog, WM_VSCROLL, SB_LINEUP, reinterpret_cast<LPARAM>(spin)),
              FALSE);
    EXPECT_EQ(SettingsDialogProc(dialog, WM_KEYDOWN, VK_LEFT, 0), FALSE);
    EXPECT_EQ(SettingsDialogProc(dialog, WM_COMMAND, MAKEWPARAM(IDC_EVENT_LOW, BN_CLICKED), 0),
              TRUE);
    EXPECT_EQ(SettingsDialogProc(dialog, WM_COMMAND, MAKEWPARAM(IDC_COUNT_EDIT, EN_CHANGE), 0),
              TRUE);
    EXPECT_EQ(SettingsDialog.speedLevel, 2);
    EXPECT_EQ(SettingsDialog.walkerCount, 2);
    EXPECT_EQ(SettingsDialog.eventLevel, 2);
}

TEST_F(SettingsDialogTest, CountLabelIsShiftJisPrefixAndLimit) {
    Open();
    const std::string prefix = "\x83\x7C\x83\x8B\x83\x62\x83\x4A\x82\xCC\x90\x94(1\x81\x60";
    EXPECT_EQ(WindowTextA(Item(IDC_COUNT_LABEL)), prefix + "3)");
    EXPECT_EQ(WindowTextW(Item(IDC_COUNT_LABEL)), L"ポルッカの数(1\uFF5E3)");
}

// The limit is that of the saver's stage: at 150 % and more its pixels are whole blocks of
// screen pixels (2 x 2 at 192 DPI), so fewer bands fit.
TEST_F(SettingsDialogTest, CountLimitFollowsTheStageHeightUpToNine) {
    const struct {
        int height, dpi, limit;
    } cases[] = {{768, 96, 3},   {1024, 96, 5},  {1949, 96, 9},  {2000, 96, 9},
                 {4000, 96, 9},  {390, 96, 2},   {194, 96, 0},   {1200, 192, 3},
                 {1200, 120, 6}, {1200, 144, 3}, {2160, 288, 3}, {768, 192, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.height) + " at " + std::to_string(c.dpi) + " DPI");
        FakeScreenHeight = c.height;
        FakeDpi = c.dpi;
        Open();
        EXPECT_EQ(SettingsDialog.countLimit, c.limit);
        const std::wstring label = WindowTextW(Item(IDC_COUNT_LABEL));
        EXPECT_EQ(label.substr(label.size() - 2), std::to_wstring(c.limit) + L")");
        DestroyWindow(dialog_);
        dialog_ = nullptr;
    }
}

TEST_F(SettingsDialogTest, TheRealScreenHeightIsUsedByDefault) {
    ResetSettingsDialogState();
    Open();
    int limit = ScaledLength(GetSystemMetrics(SM_CYSCREEN), PixelScale(ScreenDpi())) / 195;
    if (limit > 9) limit = 9;
    EXPECT_EQ(SettingsDialog.countLimit, limit);
}

TEST_F(SettingsDialogTest, StoredValuesAreShownClamped) {
    WriteProfileFile(SettingsFile("Speed=9\r\nCharactors=7\r\nEvent=-1\r\nSE=5\r\n"));
    Open();
    EXPECT_EQ(SettingsDialog.speedLevel, 6);
    EXPECT_EQ(BarPosition(), 6);
    EXPECT_EQ(SettingsDialog.walkerCount, 3);
    EXPECT_EQ(EditText(), "3");
    EXPECT_TRUE(Checked(IDC_EVENT_HIGH));
    EXPECT_EQ(SettingsDialog.eventLevel, 0);
    EXPECT_EQ(SettingsDialog.soundOff, 1);
    EXPECT_TRUE(Checked(IDC_SOUND_OFF));

    // OK stores the clamped values back.
    Command(IDOK);
    EXPECT_EQ(ReadProfileFile(), SettingsFile("Speed=6\r\nCharactors=3\r\nEvent=0\r\nSE=1\r\n"));
}

TEST_F(SettingsDialogTest, LowStoredValuesAreShownClamped) {
    WriteProfileFile(SettingsFile("Speed=-2\r\nCharactors=0\r\nEvent=3\r\n"));
    Open();
    EXPECT_EQ(BarPosition(), 0);
    EXPECT_EQ(EditText(), "1");
    EXPECT_TRUE(Checked(IDC_EVENT_LOW));
}

TEST_F(SettingsDialogTest, ScreenUnder195PixelsRefusesEveryDigit) {
    FakeScreenHeight = 190;
    WriteProfileFile(SettingsFile("Charactors=2\r\n"));
    Open();
    EXPECT_EQ(EditText(), "0");
    TypeCount({'1'});
    EXPECT_EQ(EditText(), "0");
    EXPECT_EQ(SettingsDialog.walkerCount, 0);
    DestroyWindow(dialog_);

    WriteProfileFile(SettingsFile("Charactors=0\r\n"));
    Open();
    EXPECT_EQ(EditText(), "1");  // the lower bound is tested first
}

TEST_F(SettingsDialogTest, SpeedBarCodes) {
    Open();  // level 4
    const struct {
        int code, position, expected;
    } steps[] = {
        {SB_LINELEFT, 0, 3},  {SB_PAGELEFT, 0, 2},   {SB_LINERIGHT, 0, 3},
        {SB_PAGERIGHT, 0, 4}, {SB_THUMBTRACK, 1, 1}, {SB_THUMBPOSITION, 5, 1},
        {SB_LEFT, 0, 1},      {SB_RIGHT, 0, 1},      {SB_ENDSCROLL, 0, 1},
        {SB_PAGELEFT, 0, 0},  {SB_LINELEFT, 0, 0},   {SB_THUMBTRACK, 6, 6},
        {SB_LINERIGHT, 0, 6}, {SB_PAGERIGHT, 0, 6},  {42, 0, 6},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << "code " << s.code << " position " << s.position);
        SetScrollPos(Item(IDC_SPEED_BAR), SB_CTL, 3, FALSE);  // the handler must put it back
        SpeedBar(s.code, s.position);
        EXPECT_EQ(SettingsDialog.speedLevel, s.expected);
        EXPECT_EQ(BarPosition(), s.expected);
    }
}

TEST_F(SettingsDialogTest, ScrollMessagesFromOtherWindowsAreIgnored) {
    Open();
    SendMessageA(dialog_, WM_HSCROLL, SB_LINERIGHT, reinterpret_cast<LPARAM>(Item(IDC_COUNT_SPIN)));
    SendMessageA(dialog_, WM_HSCROLL, SB_LINERIGHT, 0);
    EXPECT_EQ(SettingsDialog.speedLevel, 4);
    SetDlgItemTextA(dialog_, IDC_COUNT_EDIT, "X");
    SendMessageA(dialog_, WM_VSCROLL, SB_LINEUP, reinterpret_cast<LPARAM>(Item(IDC_SPEED_BAR)));
    EXPECT_EQ(SettingsDialog.walkerCount, 1);
    EXPECT_EQ(EditText(), "X");
}

TEST_F(SettingsDialogTest, KeysOnTheSpeedBarStepButHomeAndEndDoNot) {
    Open();
    HWND bar = Item(IDC_SPEED_BAR);
    SendMessageA(bar, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(SettingsDialog.speedLevel, 5);
    SendMessageA(bar, WM_KEYDOWN, VK_LEFT, 0);
    SendMessageA(bar, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(SettingsDialog.speedLevel, 3);
    SendMessageA(bar, WM_KEYDOWN, VK_HOME, 0);
    SendMessageA(bar, WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(SettingsDialog.speedLevel, 3);
    EXPECT_EQ(BarPosition(), 3);
}

TEST_F(SettingsDialogTest, ArrowKeysToTheDialogStepWithinTheRange) {
    Open();
    for (int i = 0; i < 4; ++i) SendMessageA(dialog_, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(SettingsDialog.speedLevel, 6);
    SendMessageA(dialog_, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(SettingsDialog.speedLevel, 6);
    for (int i = 0; i < 8; ++i) SendMessageA(dialog_, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(SettingsDialog.speedLevel, 0);
    SetScrollPos(Item(IDC_SPEED_BAR), SB_CTL, 5, FALSE);
    SendMessageA(dialog_, WM_KEYDOWN, 'A', 0);  // any key puts the bar back on the level
    EXPECT_EQ(BarPosition(), 0);
}

TEST_F(SettingsDialogTest, SpinStaysWithinOneAndTheLimitAndRewritesTheEdit) {
    Open();  // count 1, limit 3
    Spin(SB_LINEDOWN);
    EXPECT_EQ(EditText(), "1");
    Spin(SB_LINEUP);
    Spin(SB_PAGEUP);
    EXPECT_EQ(SettingsDialog.walkerCount, 3);
    SetDlgItemTextA(dialog_, IDC_COUNT_EDIT, "7");
    Spin(SB_LINEUP);
    EXPECT_EQ(SettingsDialog.walkerCount, 3);
    EXPECT_EQ(EditText(), "3");
    Spin(SB_PAGEDOWN);
    EXPECT_EQ(EditText(), "2");
    for (int code : {SB_THUMBPOSITION, SB_THUMBTRACK, SB_TOP, SB_BOTTOM, SB_ENDSCROLL}) {
        SetDlgItemTextA(dialog_, IDC_COUNT_EDIT, "9");
        Spin(code);
        EXPECT_EQ(SettingsDialog.walkerCount, 2);
        EXPECT_EQ(EditText(), "2");
    }
}

TEST_F(SettingsDialogTest, CountEditTakesOnlyADigitFromOneToTheLimit) {
    WriteProfileFile(SettingsFile("Charactors=3\r\n"));
    Open();
    const struct {
        std::vector<WPARAM> keys;
        const char* shown;
        int count;
    } cases[] = {
        {{'0'}, "3", 3}, {{'4'}, "3", 3},      {{'a'}, "3", 3},  // shown upper-cased, then refused
        {{}, "3", 3},                                            // cleared
        {{'2'}, "2", 2}, {{'1', '3'}, "1", 1},                   // the edit holds one character
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        TypeCount(c.keys);
        EXPECT_EQ(EditText(), c.shown);
        EXPECT_EQ(SettingsDialog.walkerCount, c.count);
    }

    HWND edit = Item(IDC_COUNT_EDIT);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_CHAR, 'b', 1);
    EXPECT_EQ(EditText(), "B");
    SetFocus(Item(IDC_SPEED_BAR));
    EXPECT_EQ(EditText(), "1");

    // A double-byte first character (full-width ２) counts as a negative byte.
    SetDlgItemTextA(dialog_, IDC_COUNT_EDIT, "\x82\x51");
    Command(IDC_COUNT_EDIT, EN_KILLFOCUS);
    EXPECT_EQ(EditText(), "1");
}

TEST_F(SettingsDialogTest, OnlyKillFocusValidatesTheEdit) {
    Open();
    SetDlgItemTextA(dialog_, IDC_COUNT_EDIT, "2");
    EXPECT_EQ(Command(IDC_COUNT_EDIT, EN_CHANGE), TRUE);
    EXPECT_EQ(SettingsDialog.walkerCount, 1);
    Command(IDC_COUNT_EDIT, EN_KILLFOCUS);
    EXPECT_EQ(SettingsDialog.walkerCount, 2);
}

TEST_F(SettingsDialogTest, RadioButtonsSetTheLevelsAndMoveWithinTheirGroup) {
    FakeWaveDevices = 1;
    Open();
    SendMessageA(Item(IDC_EVENT_LOW), BM_CLICK, 0, 0);
    EXPECT_EQ(SettingsDialog.eventLevel, 2);
    EXPECT_TRUE(Checked(IDC_EVENT_LOW));
    EXPECT_FALSE(Checked(IDC_EVENT_NORMAL));
    SendMessageA(Item(IDC_SOUND_ON), BM_CLICK, 0, 0);
    EXPECT_EQ(SettingsDialog.soundOff, 0);
    EXPECT_TRUE(Checked(IDC_SOUND_ON));
    EXPECT_FALSE(Checked(IDC_SOUND_OFF));
    EXPECT_TRUE(Checked(IDC_EVENT_LOW));  // the sound group leaves the event group alone
    SendMessageA(Item(IDC_EVENT_HIGH), BM_CLICK, 0, 0);
    EXPECT_EQ(SettingsDialog.eventLevel, 0);
    Command(IDC_SOUND_OFF, BN_DOUBLECLICKED);
    EXPECT_EQ(SettingsDialog.soundOff, 1);
    Command(IDC_EVENT_NORMAL, BN_SETFOCUS);  // any notification code counts
    EXPECT_EQ(SettingsDialog.eventLevel, 1);
}

TEST_F(SettingsDialogTest, SoundSettingMeetsTheWaveDevices) {
    const struct {
        const char* stored;
        UINT devices;
        bool onChecked, onEnabled;
        int soundOff;
    } cases[] = {
        {"SE=0\r\n", 1, true, true, 0},  {"SE=0\r\n", 0, false, false, 1},
        {"SE=3\r\n", 1, false, true, 1}, {"SE=1\r\n", 0, false, false, 1},
        {"", 2, false, true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stored << " devices " << c.devices);
        WriteProfileFile(SettingsFile(c.stored));
        FakeWaveDevices = c.devices;
        WaveDeviceQueries = 0;
        Open();
        EXPECT_EQ(WaveDeviceQueries, 1);
        EXPECT_EQ(Checked(IDC_SOUND_ON), c.onChecked);
        EXPECT_EQ(Checked(IDC_SOUND_OFF), !c.onChecked);
        EXPECT_EQ(IsWindowEnabled(Item(IDC_SOUND_ON)) != FALSE, c.onEnabled);
        EXPECT_EQ(SettingsDialog.soundOff, c.soundOff);
        DestroyWindow(dialog_);
        dialog_ = nullptr;
    }
}

TEST_F(SettingsDialogTest, NoWaveDeviceOnThisPlatformDisablesOnAndOkStoresOff) {
    SettingsDialog.getWaveOutDeviceCount = waveOutGetNumDevs;
    if (waveOutGetNumDevs() != 0) GTEST_SKIP() << "this prefix has a wave output device";
    WriteProfileFile(SettingsFile("SE=0\r\n"));
    Open();
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_SOUND_ON)));
    EXPECT_TRUE(Checked(IDC_SOUND_OFF));
    Command(IDOK);
    EXPECT_EQ(ReadProfileFile(), SettingsFile("SE=1\r\nSpeed=4\r\nCharactors=1\r\nEvent=1\r\n"));
}

TEST_F(SettingsDialogTest, OkWritesAllFourKeysInOrderAndEndsTheDialog) {
    Open();
    EXPECT_EQ(Command(IDOK), TRUE);
    EXPECT_EQ(ReadProfileFile(), SettingsFile(kDefaultsWritten));
    EXPECT_FALSE(IsWindowVisible(dialog_));

    // Changed values, and keys written even when the file already holds them.
    DestroyWindow(dialog_);
    Open();
    SpeedBar(SB_LINELEFT);
    Spin(SB_LINEUP);
    SendMessageA(Item(IDC_EVENT_HIGH), BM_CLICK, 0, 0);
    Command(IDOK);
    EXPECT_EQ(ReadProfileFile(), SettingsFile("Speed=3\r\nCharactors=2\r\nEvent=0\r\nSE=1\r\n"));
}

TEST_F(SettingsDialogTest, OkTakesTheTypedDigitFirst) {
    Open();
    SetDlgItemTextA(dialog_, IDC_COUNT_EDIT, "3");
    Command(IDOK);
    EXPECT_EQ(ReadProfileFile(), SettingsFile("Speed=4\r\nCharactors=3\r\nEvent=1\r\nSE=1\r\n"));
}

TEST_F(SettingsDialogTest, CancelWritesNothing) {
    const std::string stored = SettingsFile("Speed=2\r\nSE=0\r\n") + "[other]\r\nkey=1\r\n";
    WriteProfileFile(stored);
    Open();
    SpeedBar(SB_LINERIGHT);
    Spin(SB_LINEUP);
    SendMessageA(Item(IDC_EVENT_LOW), BM_CLICK, 0, 0);
    EXPECT_EQ(Command(IDCANCEL), TRUE);
    EXPECT_EQ(ReadProfileFile(), stored);

    RemoveProfileFile();
    DestroyWindow(dialog_);
    Open();
    Command(IDCANCEL);
    EXPECT_EQ(ReadProfileFile(), "<missing>");
}

TEST_F(SettingsDialogTest, UnknownCommandsAndMessagesDoNothing) {
    Open();
    EXPECT_EQ(Command(IDC_COUNT_LABEL, STN_CLICKED), TRUE);
    EXPECT_EQ(Command(4242), TRUE);
    EXPECT_EQ(SettingsDialogProc(dialog_, WM_USER + 5, 1, 2), FALSE);
    EXPECT_EQ(SettingsDialogProc(dialog_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x")), FALSE);
    EXPECT_TRUE(IsWindowVisible(dialog_));
    EXPECT_EQ(ReadProfileFile(), "<missing>");
    EXPECT_EQ(SettingsDialog.speedLevel, 4);
    EXPECT_EQ(SettingsDialog.walkerCount, 1);
}

// --- Modal runs, as the configuration mode starts the dialog ----------------------------------

BOOL CALLBACK KeepVisibleDialog(HWND window, LPARAM param) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) != "#32770" || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
}

HWND FindThreadDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), KeepVisibleDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

using DialogScript = void (*)(HWND dialog);
DialogScript PendingScript = nullptr;
RECT SeenRect{};
POINT SeenClientOrigin{};

// Runs the script once the modal dialog is up, from a timer inside its message loop.
void CALLBACK RunScript(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindThreadDialog();
    if (!dialog || !PendingScript) return;
    KillTimer(nullptr, timer);
    GetWindowRect(dialog, &SeenRect);
    SeenClientOrigin = POINT{0, 0};
    ClientToScreen(dialog, &SeenClientOrigin);
    DialogScript script = PendingScript;
    PendingScript = nullptr;
    script(dialog);
}

INT_PTR RunModal(HWND owner, DialogScript script) {
    PendingScript = script;
    SeenRect = RECT{-1, -1, -1, -1};
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, RunScript);
    const INT_PTR result = DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_SETTINGS), owner,
                                           SettingsDialogProc, 0);
    KillTimer(nullptr, timer);
    return result;
}

void PostKey(HWND window, WPARAM key) {
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

TEST_F(SettingsDialogTest, ModalEnterStoresTheTypedDigit) {
    const INT_PTR result = RunModal(nullptr, [](HWND dialog) {
        HWND edit = GetDlgItem(dialog, IDC_COUNT_EDIT);
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        SendMessageA(edit, WM_CHAR, '2', 1);
        PostKey(edit, VK_RETURN);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadProfileFile(), SettingsFile("Speed=4\r\nCharactors=2\r\nEvent=1\r\nSE=1\r\n"));
    EXPECT_EQ(SeenRect.left, 0);  // not centred: the screen's corner without an owner
    EXPECT_EQ(SeenRect.top, 0);
}

TEST_F(SettingsDialogTest, ModalEscapeWritesNothingAndOpensAtTheOwnersClientOrigin) {
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 200, 120, 400, 300,
                                 nullptr, nullptr, ModuleInstance, nullptr);
    ASSERT_NE(owner, nullptr);
    const INT_PTR result = RunModal(owner, [](HWND dialog) {
        HWND bar = GetDlgItem(dialog, IDC_SPEED_BAR);
        PostKey(bar, VK_LEFT);
        PostKey(bar, VK_ESCAPE);
    });
    POINT origin{0, 0};
    ClientToScreen(owner, &origin);
    DestroyWindow(owner);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadProfileFile(), "<missing>");
    EXPECT_EQ(SettingsDialog.speedLevel, 3);
    // The template's origin places the dialog's client area; its frame and caption lie outside.
    EXPECT_EQ(SeenClientOrigin.x, origin.x);
    EXPECT_EQ(SeenClientOrigin.y, origin.y);
    EXPECT_LT(SeenRect.left, origin.x);
    EXPECT_LT(SeenRect.top, origin.y);
}

}  // namespace
