// Millisecond tick count from a steady clock (wraps like a 32-bit counter).
#pragma once
#include <cstdint>

int32_t TickCount();
