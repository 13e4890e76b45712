// The plain versions of the search's rules, for the tests and the checked
// builds (see reference.h).
#include "search/reference.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "eval/evaluate.h"
#include "position/generate.h"
#include "rules/makemove.h"
#include "rules/scacco.h"
#include "search/analizza.h"
#include "search/minimax.h"

void PlainExchangeSort(MoveRecord* first, int n) {
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j)
            if (first[j].Score < first[i].Score) std::swap(first[i], first[j]);
}

void PlainGenerateMoves() {
    // 1. The side's pieces in id order (White 1..16, Black 17..32).
    const int firstId = SideToMove ? 1 : 17;
    for (int id = firstId; id < firstId + 16; ++id) GeneratePieceMoves(RankOf(id, Ply), FileOf(id, Ply));
    // 2. The exchange sort; the whole list is written.
    PlainExchangeSort(&MoveList[Ply][1], MoveCount[Ply]);
    WrittenFrom[Ply] = 0;
}

namespace {

int32_t PlainNegamaxAt(int16_t depth, bool& anyLegal) {
    anyLegal = false;
    // 1.-2. Leaves: beyond the horizon, or at it when not in check.
    if (Ply > depth || (Ply == depth && !SideToMoveInCheck())) return Evaluate();
    // 3. Every move made and judged; the legal ones searched.
    std::memcpy(PromotedKind[Ply + 1], PromotedKind[Ply], 32);
    int32_t best = INT32_MIN;
    for (PlainGenerateMoves(); MoveCount[Ply] > 0; PopMove()) {
        if (MakeMove() == False) continue;
        anyLegal = true;
        EnterPly();
        bool childHadMove = false;
        best = std::max(best, -PlainNegamaxAt(depth, childHadMove));
        LeavePly();
    }
    std::memset(PromotedKind[Ply + 1], 0, 32);
    // 4. The best score, or mate or stalemate.
    return anyLegal ? best : NoMoveScore();
}

}  // namespace

int32_t PlainNegamax(int16_t depth) {
    const size_t rootMoves = RootMoves.size();
    bool anyLegal = false;
    const int32_t value = PlainNegamaxAt(depth, anyLegal);
    if (Ply == 0) RootMoves.resize(rootMoves);
    return value;
}

#if defined(VELMOR_CHECK_INVARIANT)

namespace {
MoveRecord Fast[MaxMovesPerPly + 1];  // GenerateMoves' list of the node checked
MoveRecord Held[MaxMovesPerPly + 1];  // the node's own list, put back afterwards
// A plain search for every node would make the checked builds several times
// slower (and their timed tests meaningless): one node in NodeCheckStride
// of those next to the leaves is checked, the same ones in every run.
constexpr uint32_t NodeCheckStride = 32;
uint32_t NodesSeen = 0;
}  // namespace

void CheckListIsPlain() {
    const int p = Ply, n = MoveCount[p];
    if (p == 0 || n >= MaxMovesPerPly) return;
    std::memcpy(Held, MoveList[p], sizeof Held);
    const uint8_t writtenFrom = WrittenFrom[p];
    MoveCount[p] = 0;
    GenerateMoves();
    std::memcpy(Fast, MoveList[p], sizeof Fast);
    const int fastCount = MoveCount[p];
    MoveCount[p] = 0;
    PlainGenerateMoves();
    if (fastCount != n || MoveCount[p] != n || std::memcmp(&Fast[1], &MoveList[p][1], static_cast<size_t>(n) * sizeof(MoveRecord)) != 0) {
        std::fprintf(stderr, "GenerateMoves: the list of ply %d differs from the plain one\n", p);
        std::abort();
    }
    std::memcpy(MoveList[p], Held, sizeof Held);
    MoveCount[p] = static_cast<uint8_t>(n);
    WrittenFrom[p] = writtenFrom;
}

void CheckNodeIsPlain(int32_t value, int32_t alpha, int32_t beta, int16_t depth) {
    // Only next to the leaves, where the short cuts of the move loop work;
    // a plain search deeper down would cost a tree per node.
    const int p = Ply;
    if (p == 0 || p + 1 < depth || StopRequested || ++NodesSeen % NodeCheckStride != 0) return;
    // The plain search's moves count nowhere: the count starts far from the
    // progress shown every 10000 and is put back, as is the no-move mark.
    const int32_t analysed = PositionsAnalysed;
    const int16_t lastNoMove = LastNoMovePly;
    PositionsAnalysed = 1;
    bool anyLegal = false;
    const int32_t plain = PlainNegamaxAt(depth, anyLegal);
    PositionsAnalysed = analysed;
    LastNoMovePly = lastNoMove;
    const int32_t expected = anyLegal ? std::max(alpha, std::min(plain, beta)) : plain;
    if (value != expected) {
        std::fprintf(stderr, "Minimax: ply %d returned %d in (%d, %d), the plain search %d\n", p, value, alpha, beta, plain);
        std::abort();
    }
}

#endif
