// Fail-hard negamax alpha-beta. Every node fills its own move list, takes
// the moves from the top one by one, makes each into the next ply, searches
// the legal ones and pops every move again. The only extension is one ply
// at the horizon for a side in check.
#include "search/minimax.h"

#include <cstring>

#include "eval/evaluate.h"
#include "platform/clock.h"
#include "position/generate.h"
#include "position/variabili.h"
#include "rules/makemove.h"
#include "rules/scacco.h"
#include "search/analizza.h"
#include "search/reference.h"
#include "shell/common.h"

uint8_t BestPiece = 0;
uint8_t BestMoveCode = 0;
uint8_t BestPromotion = 0;
int32_t BestScore = 0;
int16_t BestNoMovePly = 0;
int16_t LastNoMovePly = 0;

void (*EventPump)() = nullptr;

namespace {
// The pump runs at most once every PumpIntervalMs; the clock is looked at
// only every PumpClockStride nodes, so a node costs a counter increment.
constexpr int32_t PumpIntervalMs = 4;
constexpr uint32_t PumpClockStride = 256;
uint32_t PumpCalls = 0;
int32_t LastPumpTick = 0;
}  // namespace

void PumpEvents() {
    if (EventPump == nullptr) return;
    if ((++PumpCalls % PumpClockStride) != 0) return;
    const int32_t now = TickCount();
    if (now - LastPumpTick < PumpIntervalMs) return;
    LastPumpTick = now;
    EventPump();
}

namespace {

// What a node below the root knows before it tries its moves: whether its
// side is in check, and then the squares a move other than the king's must
// reach (take the attacker or block its line) to be legal.
struct Node {
    int ply;
    int16_t depth;
    bool inCheck;
    uint64_t evasions;  // all squares when not in check
    uint8_t king;       // the side to move's king
};

// How a move slot ended, for the move on top of the list.
enum class Trial : uint8_t {
    Skipped,      // after a cutoff: popped without being made
    Refused,      // in check, outside the evasion squares: counted, not made
    Illegal,      // made and judged illegal
    Legal,        // made and judged legal
    Provisional,  // made, judged only when its score counts
};

// The speed work of the move loop lives in the helpers below; the rules
// they keep are written plainly in search/reference.h (PlainNegamax,
// PlainGenerateMoves, PlainExchangeSort), which the tests and the checked
// builds compare them with.

// 3. The next ply inherits the node's promotions; then the move list. The
//    root of a later iteration takes the order of the one before; below the
//    root the quiet moves are written only when reached.
[[gnu::always_inline]] inline void FillMoveList(int p, int16_t depth) {
    std::memcpy(PromotedKind[p + 1], PromotedKind[p], 32);
    if (p == 0 && depth != 1)
        OrderRootMoves();
    else if (p == 0)
        GenerateMoves();
    else
        GenerateMovesDeferred();
}

[[gnu::always_inline]] inline Node NodeFacts(int p, int16_t depth) {
    const bool inCheck = p > 0 && SideToMoveAttackedKnown();
    return Node{p, depth, inCheck, inCheck ? CheckEvasionSquares() : ~uint64_t{0}, SideToMove ? WhiteKing : BlackKing};
}

// In check, a move of another piece than the king that neither takes nor
// blocks the attack is refused without being made.
[[gnu::always_inline]] inline bool RefusedUnmade(const Node& node, const MoveRecord& m) {
    return node.inCheck && m.Piece != node.king && ((node.evasions >> TargetOf(m, node.ply)) & 1) == 0;
}

// Below the root, once the node has a legal move, a move into a leaf whose
// score cannot raise alpha leaves the node as an illegal move would: such a
// move is made now and judged only when its score is above alpha, or before
// it is searched deeper. A side in check has mostly illegal moves, so they
// are judged at once; so is castling, whose judgement also moves the rook.
[[gnu::always_inline]] inline bool JudgedLater(const Node& node, bool anyLegal, const MoveRecord& m) {
    return anyLegal && node.ply > 0 && node.ply + 1 >= node.depth && !node.inCheck && !JudgedWhenMade(m);
}

// The move on top of the list written, then refused, made and judged, or
// made to be judged later.
[[gnu::always_inline]] inline Trial TryTopMove(const Node& node, bool anyLegal) {
    WriteTopMove();
    const MoveRecord& m = MoveList[node.ply][MoveCount[node.ply]];
    if (RefusedUnmade(node, m)) {
        CountRefusedMove();
        return Trial::Refused;
    }
    if (JudgedLater(node, anyLegal, m)) {
        MakeMoveUnjudged();
        return Trial::Provisional;
    }
    return MakeMove() != False ? Trial::Legal : Trial::Illegal;
}

// At the child's ply: whether the child is a leaf (steps 1-2 of its own
// call), beyond the horizon or at it and not in check.
[[gnu::always_inline]] inline bool ChildIsLeaf(const Node& node) {
    const int child = node.ply + 1;
    return child > node.depth || (child == node.depth && !SideToMoveInCheck());
}

// At the child's ply: a provisional move's verdict, asked at the ply of its list.
[[gnu::always_inline]] inline bool ConfirmFromChild() {
    LeavePly();
    const bool legal = JudgeMove() != False;
    EnterPly();
    return legal;
}

// The child's score from the node's side, searched with the window negated
// and swapped. A leaf child is evaluated here without the call, and below
// the root only the side of the window its value falls on matters. A
// provisional move is confirmed before a deeper search, and after a leaf's
// score only when that score is above alpha. Returns whether the move is
// legal, that is whether its score counts.
[[gnu::always_inline]] inline bool ScoreChild(const Node& node, Trial trial, int32_t alpha, int32_t beta, int32_t& score) {
    const bool provisional = trial == Trial::Provisional;
    EnterPly();
    int32_t childAlpha = -beta, childBeta = -alpha;
    const bool leaf = ChildIsLeaf(node);
    const bool legal = leaf || !provisional || ConfirmFromChild();
    if (legal && leaf)
        score = -static_cast<int32_t>(node.ply == 0 ? Evaluate() : EvaluateWithin(childAlpha, childBeta));
    else if (legal)
        score = -Minimax(childAlpha, childBeta, node.depth);
    LeavePly();
    if (legal && leaf && provisional && score > alpha) return JudgeMove() != False;
    return legal;
}

// A counted score raises alpha when above it. At the root it also stores
// the best move and records every searched move's score for the next
// iteration's order; a stop held back until now takes effect when the best
// move is stored, and the move's score is still recorded.
[[gnu::always_inline]] inline void TakeScore(const Node& node, int32_t score, int32_t& alpha) {
    const bool raises = score > alpha;
    if (raises) alpha = score;
    if (node.ply != 0 || StopRequested) return;
    const MoveRecord& top = MoveList[0][MoveCount[0]];  // still on top: the child's list is its own
    if (raises) {
        BestPiece = top.Piece;
        BestMoveCode = top.MoveCode;
        BestPromotion = top.Promotion;
        BestScore = score;
        BestNoMovePly = LastNoMovePly;
        ArmStop();
    }
    RecordRootScore(top.Piece, top.MoveCode, top.Promotion, score);
}

#if !defined(VELMOR_CHECK_INVARIANT)
inline void CheckListIsPlain() {}
inline void CheckNodeIsPlain(int32_t, int32_t, int32_t, int16_t) {}
#endif

}  // namespace

int32_t Minimax(int32_t& alpha, int32_t& beta, const int16_t& depth) {
    const int P = Ply;
    const int32_t alphaIn = alpha, betaIn = beta;  // for the checked builds
    // 1.-2. Leaves: beyond the horizon, or at it when not in check.
    if (P > depth) return Evaluate();
    if (P == depth && !SideToMoveInCheck()) return Evaluate();
    // 3. Fill the move list.
    FillMoveList(P, depth);
    CheckListIsPlain();
    // 4. Let the window (or the protocol's input) be looked at.
    PumpEvents();
    // 5. Take the count once; the node's check facts.
    const int n = MoveCount[P];
    bool cutoff = false, anyLegal = false;
    const Node node = NodeFacts(P, depth);
    // 6. Every move slot, always the record on top of the list.
    for (int slot = 0; slot < n; ++slot) {
        // 6.1 Stop: the move is popped unsearched, with no time check.
        if (StopRequested) {
            PopMove();
            continue;
        }
        // 6.2 Mark a move tried.
        LastNoMovePly = -1;
        // 6.3 Pop the rest after a cutoff, at once when no clock is read between the moves.
        if (cutoff && !UseTime) {
            PopMoves(n - slot);
            break;
        }
        // 6.4 Try the top move: refused, illegal, legal or provisional.
        const Trial trial = cutoff ? Trial::Skipped : TryTopMove(node, anyLegal);
        const bool made = trial == Trial::Legal || trial == Trial::Provisional;
        anyLegal |= made;
        // 6.5 Score the child; a provisional move counts once confirmed.
        int32_t score = 0;
        const bool counts = made && ScoreChild(node, trial, alpha, beta, score);
        // 6.6 Take the score: alpha, and at the root the best move and the move's record.
        if (counts) TakeScore(node, score, alpha);
        // 6.7 Pop the move; a score at or above beta cuts the node off.
        PopMove();
        cutoff |= counts && score >= beta;
        // 6.8 Read the clock after every move slot.
        if (UseTime) CheckTime();
    }
    // 7. Forget the promotions of this node's children.
    std::memset(PromotedKind[P + 1], 0, 32);
    // 8. Fail-hard result.
    const int32_t result = cutoff ? beta : anyLegal    ? alpha
                                       : StopRequested ? Evaluate()
                                                       : NoMoveScore();
    CheckNodeIsPlain(result, alphaIn, betaIn, depth);
    return result;
}

int32_t NoMoveScore() {
    LastNoMovePly = Ply;
    if (SideToMoveInCheck()) return (SearchDepth + 1 - Ply) * -MateScore;
    return 0;
}

void CheckTime() {
    const int32_t elapsed = TickCount() - MoveStartTick;
    if (static_cast<int64_t>(elapsed) > static_cast<int64_t>(MoveBudget) * 10) RequestStop();
}

void OrderRootMoves() {
    const int last = static_cast<int>(RootMoves.size()) - 1;
    // 1. Exchange sort, descending by score, on whole records.
    for (int i = 1; i <= last; ++i)
        for (int j = i + 1; j <= last; ++j)
            if (RootMoves[j].Score > RootMoves[i].Score) std::swap(RootMoves[i], RootMoves[j]);
    // 2. Pushed from the last to the first, so the best lies on top; every
    //    entry pushed is written.
    WrittenFrom[0] = 0;
    for (int k = last; k >= 1 && MoveCount[0] < MaxMovesPerPly; --k) {
        MoveCount[0] = static_cast<uint8_t>(MoveCount[0] + 1);
        MoveList[0][MoveCount[0]] = RootMoves[k];
    }
}

void RecordRootScore(const uint8_t& piece, const uint8_t& moveCode, const uint8_t& promotion, const int32_t& score) {
    for (size_t k = 1; k < RootMoves.size(); ++k) {
        MoveRecord& m = RootMoves[k];
        if (m.MoveCode == moveCode && m.Piece == piece && m.Promotion == promotion) {
            m.Score = score;
            return;
        }
    }
}
