#include "host/host.h"
#include "resources/resource_ids.h"
#include "settings/number_text.h"
#include "settings/win32/module_instance.h"
#include "settings/win32/settings_dialog.h"

namespace {

bool IsSeparator(unsigned char c) { return c == ' ' || c == '-' || c == '/'; }

const char* SkipSpaces(const char* p) {
    while (*p == ' ') ++p;
    return p;
}

int RunMode(const char* commandTail) {
    const char* p = commandTail;
    while (IsSeparator(static_cast<unsigned char>(*p))) ++p;
    switch (static_cast<unsigned char>(*p)) {
        case '\0':
            return ShowSettingsDialog(nullptr);
        case 'S':
        case 's':
            return RunSaverSession(nullptr);
        case 'P':
        case 'p':
        case 'L':
        case 'l':
            return AttachPreview(SkipSpaces(p + 1));
        case 'C':
        case 'c':
            return ShowSettingsDialog(GetForegroundWindow());
        case 'A':
        case 'a':
            return RunPasswordChange(SkipSpaces(p + 1));
        case 'W':
        case 'w':
            return GuardRunningState(SkipSpaces(p + 1));
        default:
            return -1;
    }
}

// The window whose decimal handle starts `text`, or null when there is no such window. The
// desktop window is nobody's to draw a preview in: a child of it would be a full-screen window
// that no input ends.
HWND WindowFromText(const char* text) {
    const uint32_t handle = ParseWindowHandle(text);
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(handle));
    if (handle == 0 || !IsWindow(window) || window == GetDesktopWindow()) return nullptr;
    return window;
}

// The guard's top-level filter. The running state goes off first: the system's crash handler
// may end the process from inside its filter, and the state must not outlive the saver. The
// system filter is offered the fault with no filter of ours installed, so it does its own
// reporting instead of calling back here.
LONG WINAPI FaultGuardFilter(EXCEPTION_POINTERS* info) {
    const BOOL switchedOff = SetScreenSaverRunning(FALSE);
    SetUnhandledExceptionFilter(nullptr);
    const LONG answer = UnhandledExceptionFilter(info);
    if (answer == EXCEPTION_EXECUTE_HANDLER) ExitProcess(switchedOff);
    return answer;
}

}  // namespace

const char* CommandTail(const char* commandLine) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(commandLine);
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p > ' ') ++p;
    }
    while (*p != '\0' && *p <= ' ') ++p;
    return reinterpret_cast<const char*>(p);
}

int RunFaultGuarded(int (*mode)(const char*), const char* argument) {
    const LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(FaultGuardFilter);
    const int result = mode(argument);
    SetUnhandledExceptionFilter(previous);
    return result;
}

int SaverMain(HINSTANCE instance, HINSTANCE, const char* commandTail, int) {
    ModuleInstance = instance;
    return RunFaultGuarded(RunMode, commandTail);
}

uint32_t ParseWindowHandle(const char* text) {
    size_t used;
    bool wrapped;
    const uint32_t value = LeadingDigits(text, SIZE_MAX, used, &wrapped);
    // A number of 2^32 or more would wrap round to some other window: refused like any bad one.
    return wrapped ? 0 : value;
}

int AttachPreview(const char* text) {
    HWND host = WindowFromText(text);
    if (host == nullptr) return -1;
    return RunSaverSession(host);
}

int ShowSettingsDialog(HWND owner) {
    DeclareDpiAware();  // its walker limit is that of the full-screen saver's stage
    return static_cast<int>(DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_SETTINGS), owner,
                                            SettingsDialogProc, 0));
}

int RunPasswordChange(const char* text) {
    HWND owner = WindowFromText(text);
    if (owner == nullptr) owner = GetForegroundWindow();
    CallPasswordChanger(owner);
    return 0;
}

void CallPasswordChanger(HWND owner) {
    HMODULE mpr = LoadLibraryA("MPR.DLL");
    if (mpr == nullptr) return;
    const auto change = reinterpret_cast<PwdChangeFn>(
        reinterpret_cast<void*>(GetProcAddress(mpr, "PwdChangePasswordA")));
    if (change != nullptr) change("SCRSAVE", owner, 0, nullptr);
    FreeLibrary(mpr);
}
