// The process entry: the command tail is taken from the raw command line, byte by byte, so that
// bytes of the ANSI code page above 0x7F are never mistaken for blanks.
#include "host/host.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showFlag) {
    return SaverMain(instance, nullptr, CommandTail(GetCommandLineA()), showFlag);
}

// A pure virtual call cannot happen here (every canvas and sound platform is complete). Defining
// the runtime's hook keeps its message printer, demangler and unwinder out of the saver.
extern "C" void __cxa_pure_virtual() { ExitProcess(255); }
