// Piece-square tables: material plus placement in one number, read as
// Table[rank-1][file-1] for both colours (no mirroring).
#pragma once
#include <cstdint>

extern int16_t WhitePawnTable[8][8];
extern int16_t BlackPawnTable[8][8];
extern int16_t KnightTable[8][8];
extern int16_t BishopTable[8][8];
extern int16_t QueenTable[8][8];
extern int16_t WhiteRookTable[8][8];
extern int16_t BlackRookTable[8][8];

void InitPositionalTables();
void LoadTable(int16_t (&table)[8][8], const int (&list)[64]);
