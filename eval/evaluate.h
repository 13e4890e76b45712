// Static evaluation of the current ply's position, for the side to move.
#pragma once
#include <cstdint>

int16_t Evaluate();
