#include <ctime>

#include "animation/random.h"

uint32_t ClockSeed() {
    timespec utc{};
    timespec uptime{};
    clock_gettime(CLOCK_REALTIME, &utc);  // UTC first, then the tick count, as on Windows
    clock_gettime(CLOCK_MONOTONIC, &uptime);
    const auto millisecondField = static_cast<uint32_t>(utc.tv_nsec / 1000000);
    const auto ticks = static_cast<uint32_t>(uptime.tv_sec * 1000u + uptime.tv_nsec / 1000000);
    return ticks + millisecondField;
}
