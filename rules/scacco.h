// Check tests. Each asks whether a king is attacked in the position held in
// the slices of ply Ply + 1 (SideToMoveInCheck: of ply Ply).
#pragma once
#include <cstdint>
#include "position/variabili.h"

Bool16 MoverKingAttacked();   // the side that just moved, at Ply + 1
Bool16 SideToMoveInCheck();   // the side to move, at Ply
bool SideToMoveAttackedKnown(); // the same for a ply made by MakeMove (Ply >= 1), the answer kept with the ply's slices
Bool16 WhiteKingAttacked();   // at Ply + 1
Bool16 BlackKingAttacked();   // at Ply + 1
Bool16 RookLineAttack(const uint8_t& attacker, const uint8_t& target);
Bool16 BishopLineAttack(const uint8_t& attacker, const uint8_t& target);
Bool16 QueenLineAttack(const uint8_t& attacker, const uint8_t& target);
Bool16 KnightAttack(const uint8_t& attacker, const uint8_t& target);
