// The process entry, and the little the compiler expects besides. The saver brings these itself
// instead of linking a C runtime: early Windows 95 has no C runtime DLL, and the saver needs
// nothing else from one. The command tail is taken from the raw command line, byte by byte, so
// that bytes of the ANSI code page above 0x7F are never mistaken for blanks.
#include <cstddef>

#include "host/host.h"

extern "C" {

// The compiler's static constructors, laid out by the linker: a -1 marker, the constructors
// in reverse order of running, a null end.
extern void (*__CTOR_LIST__[])();

// The compiler may call these for structure copies and clears. This file is compiled so that
// these loops are never turned back into calls to themselves.
void* memcpy(void* to, const void* from, size_t count) {
    auto* d = static_cast<unsigned char*>(to);
    const auto* s = static_cast<const unsigned char*>(from);
    while (count-- != 0) *d++ = *s++;
    return to;
}

void* memmove(void* to, const void* from, size_t count) {
    auto* d = static_cast<unsigned char*>(to);
    const auto* s = static_cast<const unsigned char*>(from);
    if (d <= s) return memcpy(to, from, count);
    while (count-- != 0) d[count] = s[count];
    return to;
}

void* memset(void* to, int value, size_t count) {
    auto* d = static_cast<unsigned char*>(to);
    while (count-- != 0) *d++ = static_cast<unsigned char>(value);
    return to;
}

int memcmp(const void* a, const void* b, size_t count) {
    const auto* p = static_cast<const unsigned char*>(a);
    const auto* q = static_cast<const unsigned char*>(b);
    for (; count != 0; --count, ++p, ++q) {
        if (*p != *q) return *p < *q ? -1 : 1;
    }
    return 0;
}

// Static objects live until ExitProcess, and none holds anything the system does not take back
// then, so their destructors are not registered.
int atexit(void (*)()) { return 0; }

// A pure virtual call cannot happen here (every canvas and sound platform is complete).
void __cxa_pure_virtual() { ExitProcess(255); }

// Windows calls these when the process starts and ends, whoever ends it: ExitProcess from a
// password component's abort(), or from the C++ runtime's end when an exception of its escapes
// through the saver, still runs the detach call, which switches the running state off at once.
// Nothing of ours runs after TerminateProcess, Windows 95 makes no such calls and Wine 8 makes
// only the first: there the guard process (StartStateGuard) switches the state off.
void NTAPI OnProcessEvent(PVOID, DWORD reason, PVOID) {
    if (reason == DLL_PROCESS_DETACH) EndRunningState();
}

// The image's thread-local storage directory, which carries the callback list. The linker
// points the file's header at _tls_used.
ULONG _tls_index = 0;
__attribute__((section(".tls$AAA"))) char _tls_start = 0;
__attribute__((section(".tls$ZZZ"))) char _tls_end = 0;
__attribute__((section(".CRT$XLA"))) PIMAGE_TLS_CALLBACK __xl_a = nullptr;
__attribute__((section(".CRT$XLB"))) PIMAGE_TLS_CALLBACK __xl_b = OnProcessEvent;
__attribute__((section(".CRT$XLZ"))) PIMAGE_TLS_CALLBACK __xl_z = nullptr;
struct TlsDirectory {  // IMAGE_TLS_DIRECTORY with pointers, so that it is filled at link time
    char* start;
    char* end;
    ULONG* index;
    PIMAGE_TLS_CALLBACK* callbacks;
    DWORD zeroFill;
    DWORD characteristics;
};
extern const TlsDirectory _tls_used = {&_tls_start, &_tls_end, &_tls_index, &__xl_a + 1, 0, 0};

void WinMainCRTStartup() {
    size_t last = 0;
    while (__CTOR_LIST__[last + 1] != nullptr) ++last;
    for (; last >= 1; --last) __CTOR_LIST__[last]();

    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    const int showFlag =
        (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
    const int result =
        SaverMain(GetModuleHandleA(nullptr), nullptr, CommandTail(GetCommandLineA()), showFlag);
    ExitProcess(static_cast<UINT>(result));
}

}  // extern "C"

// Nothing in the saver is made with new. The deleting destructors that the classes with
// virtual destructors bring along name this, but nothing calls it.
void operator delete(void*) noexcept { ExitProcess(255); }
void operator delete(void*, size_t) noexcept { ExitProcess(255); }
