// Fail-hard negamax alpha-beta over the per-ply position stack.
#pragma once
#include <cstdint>

// The unit of mate scores: a side mated at ply p of a think limited to
// depth D scores -(D + 1 - p) * MateScore, so a nearer mate weighs more.
inline constexpr int32_t MateScore = 1000000;

extern uint8_t BestPiece;      // Piece of the best root move of the iteration, 0 = none yet
extern uint8_t BestMoveCode;   // its MoveCode
extern uint8_t BestPromotion;  // its Promotion
extern int32_t BestScore;      // its score
extern int16_t BestNoMovePly;  // LastNoMovePly when it was stored: 1 = it mates or stalemates
extern int16_t LastNoMovePly;  // -1 before every move tried; ply of the last node without moves

// Its value without the window and the speed work: PlainNegamax (search/reference.h).
int32_t Minimax(int32_t& alpha, int32_t& beta, const int16_t& depth);
int32_t NoMoveScore();
void CheckTime();
void OrderRootMoves();
void RecordRootScore(const uint8_t& piece, const uint8_t& moveCode, const uint8_t& promotion, const int32_t& score);

// Called once per node: the window's event processing, or in protocol mode a
// look at standard input. Null when nothing needs to run (tools, tests).
// The search calls it through PumpEvents, which rate-limits it to one call
// every few milliseconds.
extern void (*EventPump)();
void PumpEvents();
