// Copy-make over the per-ply slices.
#include "rules/makemove.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "companion/velmorutil.h"
#include "position/generate.h"
#include "rules/scacco.h"

int32_t PositionsAnalysed = 0;
void (*PositionsProgress)(int32_t) = nullptr;
SliceOrigin Origin[MaxPly + 1];

namespace {
uint64_t LastStamp = 0;  // the latest stamp given; 64 bits never wrap
}  // namespace

namespace {

// Castling squares by side and wing: the king's start, transit and target
// files, the rook's corner and target files, all on the home rank.
struct CastleLayout {
    uint8_t rook;
    int homeRank;
    int transitFile, kingTarget, rookCorner, rookTarget;
};
constexpr CastleLayout KingSideOf(const ColourFacts& c) { return {c.kingRook, c.homeRank, FileF, FileG, FileH, FileF}; }
constexpr CastleLayout QueenSideOf(const ColourFacts& c) { return {c.queenRook, c.homeRank, FileD, FileC, FileA, FileD}; }
constexpr CastleLayout WhiteKingSide = KingSideOf(WhiteFacts);
constexpr CastleLayout WhiteQueenSide = QueenSideOf(WhiteFacts);
constexpr CastleLayout BlackKingSide = KingSideOf(BlackFacts);
constexpr CastleLayout BlackQueenSide = QueenSideOf(BlackFacts);

}  // namespace

void CopyPlySlices() {
    const int p = Ply;
    CopyValues(&Board[p][0][0], 64);
    CopyValues(&PieceFile[p][0], 32);
    CopyValues(&PieceRank[p][0], 32);
}

namespace {

// Shaped for speed: the record's fields are read into locals before the
// copies (so they need not be read again after them), the slices are copied
// with constant sizes, and the board squares are addressed by index
// (rank - 1) + 8 * (file - 1) within the 64-byte slices.
[[gnu::always_inline]] inline void PlaceMove() {
    const int p = Ply, q = p + 1;
    // 1. The move on top of the list.
    const MoveRecord& m = MoveList[p][MoveCount[p]];
    const uint8_t id = m.Piece, code = m.MoveCode, captured = m.Captured, promotion = m.Promotion;
    // 2. The next ply starts as a copy of this one; promotions made by an
    //    earlier move of the same list do not carry over.
    CopyPlySlices();
    std::memcpy(PromotedKind[q], PromotedKind[p], 32);
    // 3. Promotion.
    if (promotion != 0) PromOf(id, q) = promotion;
    // 4. Coordinates.
    const int fromRank = RankOf(id, p), fromFile = FileOf(id, p);
    const int toRank = fromRank + MoveCodeTable[code].dRank, toFile = fromFile + MoveCodeTable[code].dFile;
    RankOf(id, q) = static_cast<uint8_t>(toRank);
    FileOf(id, q) = static_cast<uint8_t>(toFile);
    // 5. Board: the target's former occupant is overwritten.
    uint8_t* before = &Board[p][0][0];
    uint8_t* after = &Board[q][0][0];
    const int from = (fromRank - 1) + 8 * (fromFile - 1), to = (toRank - 1) + 8 * (toFile - 1);
    after[to] = before[from];
    after[from] = 0;
    // 6. The captured piece leaves the board (its rank stays as it was).
    if (captured != 0) FileOf(captured, q) = OffBoard;
    Origin[q] = SliceOrigin{++LastStamp, Origin[p].stamp, id, static_cast<uint8_t>(from), static_cast<uint8_t>(to), captured, false};
    VELMOR_ASSERT_POSITION(q, "MakeMove");
}

// 8. Count, and report progress to whoever asked for it.
[[gnu::always_inline]] inline void CountPosition() {
    ++PositionsAnalysed;
    if (PositionsProgress && PositionsAnalysed % ProgressInterval == 0) PositionsProgress(PositionsAnalysed);
}

// 7. Legality, recorded with the slices.
[[gnu::always_inline]] inline Bool16 Judge() {
    const Bool16 verdict = CheckMoveLegality() ? True : False;
    Origin[Ply + 1].legal = verdict != False;
    return verdict;
}

}  // namespace

Bool16 MakeMove() {
    PlaceMove();
    const Bool16 verdict = Judge();
    CountPosition();
    return verdict;
}

void MakeMoveUnjudged() {
    PlaceMove();
    CountPosition();
}

Bool16 JudgeMove() { return Judge(); }

void CountRefusedMove() {
#if defined(VELMOR_CHECK_INVARIANT)
    // Checked builds make the move to see that it is refused.
    const int32_t counted = PositionsAnalysed;
    if (MakeMove() != False) {
        std::fprintf(stderr, "CountRefusedMove: the move is legal at ply %d\n", Ply);
        std::abort();
    }
    PositionsAnalysed = counted;
#endif
    CountPosition();
}

bool JudgedWhenMade(const MoveRecord& m) {
    // Castling, a king's two-square move from its start: its legality test
    // also moves the rook.
    return IsKingId(m.Piece) && IsCastlingCode(m.MoveCode);
}

Bool16 CheckMoveLegality() {
    if (MoverKingAttacked()) return False;
    if (!CheckPassingCapture()) return False;
    return CheckCastling();
}

// The generators never produce en-passant captures, so every capture the
// search makes takes the piece standing on the target square: each one is
// a real capture and is accepted, and no square is emptied behind it.
Bool16 CheckPassingCapture() { return True; }

Bool16 CheckCastling() {
    const int p = Ply, q = p + 1;
    const MoveRecord& m = MoveList[p][MoveCount[p]];
    // 1. Only the king's two-square moves from its start square are castling.
    const uint8_t king = SideToMove ? WhiteKing : BlackKing;
    if (m.Piece != king || !JudgedWhenMade(m)) return True;
    const bool kingSide = m.MoveCode == KingSideCastleCode;
    const CastleLayout& c = SideToMove ? (kingSide ? WhiteKingSide : WhiteQueenSide) : (kingSide ? BlackKingSide : BlackQueenSide);
    const int r = c.homeRank;
    auto clearBetween = [&] {
        if (kingSide) {
            Sq(r, FileF, q) = 0;
            Sq(r, FileG, q) = 0;
        } else {
            Sq(r, FileD, q) = 0;
            Sq(r, FileC, q) = 0;
            Sq(r, FileB, q) = 0;
        }
    };
    // 2. The king may not castle out of check.
    FileOf(king, q) = FileE;
    FileOf(c.rook, q) = static_cast<uint8_t>(c.rookCorner);
    clearBetween();
    Sq(r, FileE, q) = king;
    Sq(r, c.rookCorner, q) = c.rook;
    if (MoverKingAttacked()) return False;
    // 3. Nor through an attacked square.
    FileOf(king, q) = static_cast<uint8_t>(c.transitFile);
    Sq(r, FileE, q) = 0;
    clearBetween();
    Sq(r, c.transitFile, q) = king;
    if (MoverKingAttacked()) return False;
    // 4. Final position: king and rook on their targets.
    FileOf(king, q) = static_cast<uint8_t>(c.kingTarget);
    FileOf(c.rook, q) = static_cast<uint8_t>(c.rookTarget);
    clearBetween();
    Sq(r, FileE, q) = 0;
    Sq(r, c.rookCorner, q) = 0;
    Sq(r, c.kingTarget, q) = king;
    Sq(r, c.rookTarget, q) = c.rook;
    return True;
}

void PopMove() {
    // The record's four move bytes are cleared (one 4-byte store); its key stays.
    MoveRecord& m = MoveList[Ply][MoveCount[Ply]];
    const uint32_t cleared = 0;
    std::memcpy(&m, &cleared, sizeof cleared);
    --MoveCount[Ply];
}

void PopMoves(int count) {
    const int p = Ply;
    const int top = MoveCount[p], keep = top - count;
    // Entries below WrittenFrom were never written at this node, and every
    // entry of an earlier node at this ply was popped: their move bytes are
    // already clear, so only the written ones are cleared. A cutoff in a
    // list whose quiet moves were not reached then costs a few stores
    // instead of one per unsearched move.
    const int lowestWritten = WrittenFrom[p] > keep + 1 ? WrittenFrom[p] : keep + 1;
#if defined(VELMOR_CHECK_INVARIANT)
    for (int k = keep + 1; k < lowestWritten; ++k) {
        const MoveRecord& m = MoveList[p][k];
        if ((m.Piece | m.MoveCode | m.Captured | m.Promotion) != 0) {
            std::fprintf(stderr, "PopMoves: entry %d of ply %d was never written but holds a move\n", k, p);
            std::abort();
        }
    }
#endif
    for (int k = top; k >= lowestWritten; --k) {
        const uint32_t cleared = 0;
        std::memcpy(&MoveList[p][k], &cleared, sizeof cleared);
    }
    MoveCount[p] = static_cast<uint8_t>(keep);
}

bool IsLegalGameMove(const std::string& text) {
    if (text.size() < 4 || text.size() > 5 || Ply != 0 || MoveCount[0] != 0) return false;
    const int fromFile = text[0] - 'a' + 1, fromRank = text[1] - '0', toFile = text[2] - 'a' + 1, toRank = text[3] - '0';
    if (!OnBoard(fromRank, fromFile) || !OnBoard(toRank, toFile)) return false;
    uint8_t promotion = 0;
    if (text.size() == 5) {
        promotion = PromotionOfLetter(text[4]);
        if (promotion == NotPromoted) return false;
    }
    const size_t rootSize = RootMoves.size();
    const int32_t analysed = PositionsAnalysed;
    GenerateMoves();
    bool legal = false;
    while (MoveCount[0] > 0) {
        const MoveRecord& m = MoveList[0][MoveCount[0]];
        const int rank = RankOf(m.Piece, 0), file = FileOf(m.Piece, 0);
        if (!legal && rank == fromRank && file == fromFile && rank + MoveCodeTable[m.MoveCode].dRank == toRank &&
            file + MoveCodeTable[m.MoveCode].dFile == toFile && m.Promotion == promotion)
            legal = MakeMove() != False;
        PopMove();
    }
    std::memset(PromotedKind[1], 0, 32);
    RootMoves.resize(rootSize);
    PositionsAnalysed = analysed;
    return legal;
}
