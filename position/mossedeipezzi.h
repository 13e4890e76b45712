// Move lists and the per-piece move generators.
#pragma once
#include <cstdint>
#include "position/gamestate.h"
#include "position/variabili.h"

// CastleRights and GameCastle, defined here, are declared in gamestate.h.
// The game's en-passant square in slice 0, (rank - 1) + 8 * (file - 1): the
// square the last move, a pawn's double step, passed over; after a set-up
// the FEN's square when the pawn that passed it stands beyond it. NoEnPassant
// when there is none. Set by set-up and by every move played on the game
// position; the search never reads it.
extern uint8_t GameEnPassant;
inline constexpr uint8_t NoEnPassant = 255;

// Appends a move to MoveList[Ply] (and at ply 0 to RootMoves). A full list
// refuses the move and logs it; MoveCount never exceeds MaxMovesPerPly.
void AggiungiAMossePossibili(uint8_t piece, uint8_t moveCode, uint8_t captured, uint8_t promotion);
void AddRootMove(uint8_t piece, uint8_t moveCode, uint8_t captured, uint8_t promotion);
// The score every root move starts at: that of a side mated at the root,
// below anything the search can return, so an entry still holding it was
// never scored. Seeded by the search from its depth limit before it builds
// the root list.
extern int32_t UnscoredRootScore;

// Generators: the piece standing on (rank, file) at the current ply.
void GenerateRookMoves(uint8_t rank, uint8_t file, uint8_t promotion);
void GenerateBishopMoves(uint8_t rank, uint8_t file, uint8_t promotion);
void GenerateQueenMoves(uint8_t rank, uint8_t file, uint8_t promotion);
void GenerateKnightMoves(uint8_t rank, uint8_t file, uint8_t promotion);
void GenerateKingMoves(uint8_t rank, uint8_t file);
void GeneratePawnMoves(uint8_t rank, uint8_t file);

// Lowers the game castling rights for a move played on slice 0 from
// (fr, ff) to (tr, tf) by piece id (called before the move is applied).
void UpdateGameCastle(int id, int fr, int ff, int tr, int tf);
