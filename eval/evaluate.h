// Static evaluation of the current ply's position, for the side to move.
#pragma once
#include <cstdint>

int16_t Evaluate();

// The same evaluation for a search that only needs to know whether it is
// above high or below low: when the value is certain to be at most low it
// may return any value at most low, and when certain to be at least high
// any value at least high (fail-hard alpha-beta treats all such values
// alike); otherwise the exact value.
int16_t EvaluateWithin(int32_t low, int32_t high);
