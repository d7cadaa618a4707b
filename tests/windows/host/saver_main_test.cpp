// Start-up: the command tail, handles on the command line, the modes that end at once, and the
// fault guard, seen from outside in a child process.
#include <gtest/gtest.h>

#include <string>

#include "host/host.h"
#include "host_test_support.h"

namespace {

TEST(CommandTail, SkipsTheProgramNameAndTheBlanksAfterIt) {
    EXPECT_STREQ(CommandTail("tekuteku.scr /s"), "/s");
    EXPECT_STREQ(CommandTail("C:\\x\\tekuteku.scr    /p 1234"), "/p 1234");
    EXPECT_STREQ(CommandTail("\"C:\\Program Files\\tekuteku.scr\" /c:99"), "/c:99");
    EXPECT_STREQ(CommandTail("\"C:\\a b\\t.scr\"/s"), "/s");
    EXPECT_STREQ(CommandTail("tekuteku.scr"), "");
    EXPECT_STREQ(CommandTail("\"unterminated name"), "");
    EXPECT_STREQ(CommandTail(""), "");
}

TEST(CommandTail, BytesOfTheCodePageAreNeitherBlanksNorNameEnds) {
    // A Shift-JIS program name and a tail that starts with a lead byte.
    EXPECT_STREQ(CommandTail("\x83\x65\x83\x4e.scr \x83\x65"), "\x83\x65");
    EXPECT_STREQ(CommandTail("t.scr \xa0s"), "\xa0s");
}

TEST(ParseWindowHandle, ReadsLeadingDecimalDigitsOnly) {
    EXPECT_EQ(ParseWindowHandle("1234"), 1234u);
    EXPECT_EQ(ParseWindowHandle("1234x"), 1234u);
    EXPECT_EQ(ParseWindowHandle("0"), 0u);
    EXPECT_EQ(ParseWindowHandle(":1234"), 0u);
    EXPECT_EQ(ParseWindowHandle(" 1234"), 0u);
    EXPECT_EQ(ParseWindowHandle("-5"), 0u);
    EXPECT_EQ(ParseWindowHandle("0x10"), 0u);
    EXPECT_EQ(ParseWindowHandle(""), 0u);
    EXPECT_EQ(ParseWindowHandle("4294967295"), 4294967295u);
    // Larger numbers are no handle at all, not another window's modulo 2^32.
    EXPECT_EQ(ParseWindowHandle("4294967296"), 0u);
    EXPECT_EQ(ParseWindowHandle("4294967297"), 0u);
    EXPECT_EQ(ParseWindowHandle("123456789012345678901234567890"), 0u);
}

class SaverMainModes : public ::testing::Test {
protected:
    void SetUp() override { ResetSaverState(); }
    int Run(const char* tail) {
        return SaverMain(GetModuleHandleA(nullptr), nullptr, tail, SW_SHOWNORMAL);
    }
};

TEST_F(SaverMainModes, UnknownSelectorsEndAtOnceWithMinusOne) {
    for (const char* tail : {"/x", "/1", "/\ts", "\ts", "\x83\x65", "?", "/p:1234", "/p", "/p 0",
                             "/p abc", "-l", "/p 99999999999999"}) {
        const int windows = CountThreadWindows();
        EXPECT_EQ(Run(tail), -1) << "tail '" << tail << "'";
        EXPECT_EQ(CountThreadWindows(), windows);
    }
    EXPECT_EQ(Host.SaverMode, kFullScreenMode);
    // The desktop window is no preview host.
    const std::string desktop =
        "/p " +
        std::to_string(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(GetDesktopWindow())));
    EXPECT_EQ(Run(desktop.c_str()), -1);
}

TEST_F(SaverMainModes, PasswordChangeWithoutTheSystemFunctionStillGivesZero) {
    // The test program's directory has no MPR.DLL of its own; the platform's does nothing here.
    EXPECT_EQ(Run("/a"), 0);
    EXPECT_EQ(Run("/A 1234"), 0);
    EXPECT_EQ(Run("a:77"), 0);
}

TEST_F(SaverMainModes, AFullScreenStartWhileOneRunsReturnsZeroAndLoadsNothing) {
    HWND running = CreateWindowExA(0, "STATIC", kFullScreenTitle, WS_POPUP, 0, 0, 10, 10, nullptr,
                                   nullptr, nullptr, nullptr);
    // Only a window of the saver's class counts; a static control with the title does not.
    ASSERT_NE(running, nullptr);
    DestroyWindow(running);
    UnregisterClassA(kSaverClassName, GetModuleHandleA(nullptr));  // a plain stand-in instead
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kSaverClassName;
    const bool ownClass = RegisterClassA(&windowClass) != 0;
    running = CreateWindowExA(0, kSaverClassName, kFullScreenTitle, WS_POPUP | WS_VISIBLE, 0, 0, 10,
                              10, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(running, nullptr);
    EXPECT_EQ(Run("/s"), 0);
    EXPECT_EQ(Host.SaverWindow, nullptr);
    EXPECT_EQ(Host.PasswordComponent, nullptr);
    DestroyWindow(running);
    if (ownClass) UnregisterClassA(kSaverClassName, GetModuleHandleA(nullptr));
}

// The fault guard, seen from outside: the child faults inside the guard, directly or inside a
// window procedure, and must end with the result of switching the running state off (TRUE, 1)
// rather than the fault's own status. Under Wine the crash debugger has to be off
// (winedbg.exe disabled in WINEDLLOVERRIDES, as CTest does), or the system filter waits for it.
bool CrashDebuggerOff() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) return true;
    char overrides[1024] = "";
    GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof overrides);
    return std::string(overrides).find("winedbg.exe") != std::string::npos;
}

DWORD RunFaultChild(const char* how) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = std::string("\"") + self + "\" --fault-child " + how;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return 0xDEADu;
    }
    WaitForSingleObject(process.hProcess, 30000);
    DWORD code = 0xBEEFu;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

TEST(FaultGuard, AFaultEndsTheProcessWithTheResultOfSwitchingTheRunningStateOff) {
    if (!CrashDebuggerOff()) GTEST_SKIP() << "Wine's crash debugger is on; disable winedbg.exe";
    EXPECT_EQ(RunFaultChild("direct"), 1u);
    EXPECT_EQ(RunFaultChild("window"), 1u);
}

TEST(FaultGuard, AModeThatEndsNormallyKeepsItsOwnResult) { EXPECT_EQ(RunFaultChild("none"), 42u); }

}  // namespace

// Child side of the fault guard test.
namespace {

LRESULT CALLBACK FaultingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) *static_cast<volatile int*>(nullptr) = 1;
    return DefWindowProcA(window, message, wParam, lParam);
}

int FaultDirectly(const char*) {
    *static_cast<volatile int*>(nullptr) = 1;
    return 7;
}

int FaultInWindowProcedure(const char*) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = FaultingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TekutekuFaulting";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "TekutekuFaulting", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    PostMessageA(window, WM_APP, 0, 0);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 7;
}

int EndNormally(const char*) { return 42; }

}  // namespace

int RunFaultChildMode(const char* how) {
    const std::string mode = how;
    if (mode == "direct") return RunFaultGuarded(FaultDirectly, "");
    if (mode == "window") return RunFaultGuarded(FaultInWindowProcedure, "");
    return RunFaultGuarded(EndNormally, "");
}
