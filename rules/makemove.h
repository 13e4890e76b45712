// Copy-make: a move on top of the current ply's list is made into the
// slices of the next ply and judged there; unmaking is going back a ply.
#pragma once
#include <cstdint>
#include <string>
#include "position/variabili.h"

// Number of MakeMove calls (legal and refused) since the think driver reset it.
extern int32_t PositionsAnalysed;
// Told PositionsAnalysed each time it reaches a multiple of ProgressInterval;
// the think driver points it at its caller's progress report. Null: no report.
extern void (*PositionsProgress)(int32_t positions);
inline constexpr int32_t ProgressInterval = 10000;

// What the move maker tells later tests about the slices it writes, so that
// a test at a ply can start from what is already known of the ply before.
// Slices of ply 0 change outside the search (set-up, moves played) and are
// never taken as known: their stamp stays 0.
struct SliceOrigin {
    uint64_t stamp;    // identity of this ply's slices: a new number at every make into them
    uint64_t parent;   // the stamp the previous ply's slices had when they were copied
    uint8_t piece;     // the moving id
    uint8_t from, to;  // its squares, (rank - 1) + 8 * (file - 1)
    uint8_t captured;  // the id taken, 0 for none
    bool legal;        // the move passed the legality test: the mover's king is not attacked here
};
// How each ply's slices were made, [ply]; entry 0 unused (stamp 0).
extern SliceOrigin Origin[MaxPly + 1];
// Whether ply q's slices are the previous ply's (itself made by the move
// maker) with the move Origin[q] made on them.
// (A parent stamp is 0 only for slices made from ply 0, so q >= 1 suffices.)
inline bool MadeFromKnownPly(int q) { return q >= 1 && Origin[q].parent != 0 && Origin[q].parent == Origin[q - 1].stamp; }

// The move on top of the current ply's list made into the next ply, judged
// (True: legal) and counted in PositionsAnalysed.
Bool16 MakeMove();
// The same move made and counted without the verdict: its slices are not
// taken as judged (Origin legal false) until JudgeMove gives the verdict
// MakeMove would have given. JudgeMove is called at the ply of the list,
// before anything else is made into the next ply. A move for which
// JudgedWhenMade holds (castling, whose test also moves the rook) is only
// made by MakeMove.
void MakeMoveUnjudged();
Bool16 JudgeMove();
bool JudgedWhenMade(const MoveRecord& m);
// A move known to be refused (its mover's king would stay attacked),
// counted in PositionsAnalysed as MakeMove would count it, without making it.
void CountRefusedMove();
// The square a record's move goes to at ply p, (rank - 1) + 8 * (file - 1).
inline int TargetOf(const MoveRecord& m, int p) {
    return (RankOf(m.Piece, p) + MoveCodeTable[m.MoveCode].dRank - 1) + 8 * (FileOf(m.Piece, p) + MoveCodeTable[m.MoveCode].dFile - 1);
}
void CopyPlySlices();
Bool16 CheckMoveLegality();
Bool16 CheckPassingCapture();
Bool16 CheckCastling();
void PopMove();
// The top count records popped, as count PopMove calls would (0 <= count <= MoveCount[Ply]).
void PopMoves(int count);

// Whether a coordinate move text (4 or 5 characters) is a legal move of the
// side to move in the game position (slice 0, Ply 0). Leaves every list,
// RootMoves and PositionsAnalysed as they were.
bool IsLegalGameMove(const std::string& text);
