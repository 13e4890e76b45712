// The check rules. Each asks whether a king is attacked in the position held
// in the slices of ply Ply + 1 (SideToMoveInCheck: of ply Ply).
#pragma once
#include <cstdint>
#include "position/variabili.h"

Bool16 MoverKingAttacked();      // the side that just moved, at Ply + 1
Bool16 SideToMoveInCheck();      // the side to move, at Ply
bool SideToMoveAttackedKnown();  // the same for a ply made by MakeMove (Ply >= 1), the answer kept with the ply's slices
// For a side to move whose king at Ply is attacked: the squares, bit
// (rank - 1) + 8 * (file - 1), a move of another piece must reach to take
// or block the attack (none in a double check). A move of any other piece
// to any other square leaves the king attacked. All squares when no
// attacker is found.
uint64_t CheckEvasionSquares();
// The full test, without short cuts: the king of that colour attacked at ply.
bool KingAttackedAtPly(int ply, bool whiteKing);
Bool16 WhiteKingAttacked();  // at Ply + 1
Bool16 BlackKingAttacked();  // at Ply + 1
Bool16 RookLineAttack(const uint8_t& attacker, const uint8_t& target);
Bool16 BishopLineAttack(const uint8_t& attacker, const uint8_t& target);
Bool16 QueenLineAttack(const uint8_t& attacker, const uint8_t& target);
Bool16 KnightAttack(const uint8_t& attacker, const uint8_t& target);
