// The millisecond tick count on Windows.
#include "platform/clock.h"

#include <windows.h>

// Milliseconds since the system started; wraps after 49.7 days like the
// Linux stand-in's 32-bit count.
int32_t TickCount() { return static_cast<int32_t>(GetTickCount()); }
