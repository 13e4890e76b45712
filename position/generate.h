// Generation driver: all pseudo-legal moves of the side to move, in search order.
#pragma once
#include <cstdint>

void GenerateMoves();
void GeneratePieceMoves(uint8_t rank, uint8_t file);
void SortMoveList();
