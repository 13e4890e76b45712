// The millisecond tick count on POSIX, from the monotonic clock.
#include "platform/clock.h"

#include <chrono>

int32_t TickCount() {
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<int32_t>(static_cast<uint32_t>(ms));
}
