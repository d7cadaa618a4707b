#include <windows.h>

#include "animation/random.h"

uint32_t ClockSeed() {
    SYSTEMTIME utc;
    GetSystemTime(&utc);  // UTC first, then the tick count
    const DWORD ticks = GetTickCount();
    return static_cast<uint32_t>(ticks) + utc.wMilliseconds;
}
