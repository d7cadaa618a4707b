#include "settings/rules.h"

#include "settings/settings_store.h"  // ClampInt

int32_t ScreenCountLimit(int32_t screenHeight) { return screenHeight / kScreenPixelsPerWalker; }

int32_t BoundedWalkerCount(int32_t storedCount, int32_t screenHeight) {
    const int32_t limit = ScreenCountLimit(screenHeight);
    return ClampInt(storedCount, 1, limit < 1 ? 1 : limit);
}

int32_t DialogCountLimit(int32_t screenHeight) {
    const int32_t limit = ScreenCountLimit(screenHeight);
    return limit > kDialogCountCap ? kDialogCountCap : limit;
}

int32_t PanelCountLimit(int32_t screenHeight) {
    return ClampInt(ScreenCountLimit(screenHeight), 1, kDialogCountCap);
}

namespace {
// In 64 bits: two distances across the whole coordinate range would wrap a 32-bit sum to zero.
uint64_t Distance(int32_t a, int32_t b) {
    return static_cast<uint64_t>(a >= b ? int64_t{a} - b : int64_t{b} - a);
}
}  // namespace

bool MovedTooFar(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY) {
    return Distance(toX, fromX) + Distance(toY, fromY) > static_cast<uint64_t>(kMouseMoveLimit);
}

uint32_t TickIntervalWithFloor(uint32_t timerInterval) {
    return timerInterval < kShortestTickInterval ? kShortestTickInterval : timerInterval;
}
