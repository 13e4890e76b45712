// Counting the leaf positions below the current ply, through the same
// generation, making and unmaking as the search.
#pragma once
#include <cstdint>

uint64_t Perft(int depth);
