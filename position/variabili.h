// The position globals: the per-ply slices, the move lists and the ply changes.
//
// Every quantity that changes during the search carries one slice per ply, so
// a move is made by copying ply p into p + 1 and applying it there, and
// unmade by going back to ply p.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "position/identities.h"

// Booleans are 16-bit: True = -1, False = 0; readers treat non-zero as true.
using Bool16 = int16_t;
inline constexpr Bool16 True = -1;
inline constexpr Bool16 False = 0;

inline constexpr int MaxPly = 100;          // plies 0..MaxPly: 101 slices per array
inline constexpr int MaxMovesPerPly = 100;  // list entries 1..100 (entry 0 unused)
inline constexpr uint8_t OffBoard = 255;    // PieceFile of a piece not on the board

struct MoveRecord {
    uint8_t Piece;      // PieceId of the moving piece (a pawn's id also when promoted)
    uint8_t MoveCode;   // 1..56 direction*7 + distance, 57..64 knight jumps
    uint8_t Captured;   // PieceId on the target square, 0 = none
    uint8_t Promotion;  // 0 none, 1 queen, 2 rook, 3 bishop, 4 knight
    int32_t Score;      // ordering key Captured + Promotion; root moves: search score
};
static_assert(sizeof(MoveRecord) == 8 && offsetof(MoveRecord, Score) == 4, "a record is four bytes and a 32-bit key");

// Writes a whole record with one 8-byte store where the byte order allows
// (the generators append over a million records a second).
inline void StoreRecord(MoveRecord& m, uint8_t piece, uint8_t moveCode, uint8_t captured, uint8_t promotion, int32_t score) {
    if constexpr (std::endian::native == std::endian::little) {
        const uint64_t packed = uint64_t{piece} | uint64_t{moveCode} << 8 | uint64_t{captured} << 16 | uint64_t{promotion} << 24 |
                                uint64_t{static_cast<uint32_t>(score)} << 32;
        std::memcpy(&m, &packed, sizeof packed);
    } else {
        m = MoveRecord{piece, moveCode, captured, promotion, score};
    }
}

// Board slice of a ply: PieceId per square, 0 = empty. Index [ply][file-1][rank-1],
// so the rank varies fastest and each ply is one block of 64 bytes.
extern uint8_t Board[MaxPly + 1][8][8];
// Rank 1..8 of piece id at a ply, [ply][id-1]; stale once the piece is off the board.
extern uint8_t PieceRank[MaxPly + 1][32];
// File 1..8 of piece id at a ply, [ply][id-1]; OffBoard (255) = not on the board.
extern uint8_t PieceFile[MaxPly + 1][32];
// What a pawn id has become at a ply, [ply][id-1]: 0 pawn, 1..4 promoted kind.
extern uint8_t PromotedKind[MaxPly + 1][32];
// Current search ply 0..MaxPly; ply 0 is the game position.
extern int16_t Ply;
// True when White is to move at the current ply; inverted by every ply change.
extern Bool16 SideToMove;
// Per-ply move stacks: MoveList[p][1..MoveCount[p]]; entry 0 is never used.
extern MoveRecord MoveList[MaxPly + 1][MaxMovesPerPly + 1];
// Number of records in use at each ply, 0..MaxMovesPerPly.
extern uint8_t MoveCount[MaxPly + 1];
// Root moves with their latest scores; entry 0 holds no move.
extern std::vector<MoveRecord> RootMoves;

inline uint8_t& Sq(int rank, int file, int ply) { return Board[ply][file - 1][rank - 1]; }
inline uint8_t& RankOf(int id, int ply) { return PieceRank[ply][id - 1]; }
inline uint8_t& FileOf(int id, int ply) { return PieceFile[ply][id - 1]; }
inline uint8_t& PromOf(int id, int ply) { return PromotedKind[ply][id - 1]; }

inline bool OnBoard(int rank, int file) { return rank >= 1 && rank <= 8 && file >= 1 && file <= 8; }

// The kind of piece id at a ply: by the id, and for pawn ids by PromotedKind.
PieceKind KindOf(int id, int ply);

void EnterPly();  // Ply + 1, SideToMove inverted
void LeavePly();  // Ply - 1, SideToMove inverted

// Debug check of one ply's slice: coordinates and board agree, kings present,
// no id twice. Returns an empty text when sound, else what is wrong.
const char* PositionInvariantFault(int ply);
#if defined(VELMOR_CHECK_INVARIANT)
void AssertPositionInvariant(int ply, const char* where);
#define VELMOR_ASSERT_POSITION(ply, where) AssertPositionInvariant((ply), (where))
#else
#define VELMOR_ASSERT_POSITION(ply, where) ((void)0)
#endif
