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

int32_t Minimax(int32_t& alpha, int32_t& beta, const int16_t& depth) {
    const int P = Ply;
    // 1.-2. Leaves: beyond the horizon, or at it when not in check.
    if (P > depth) return Evaluate();
    if (P == depth && !SideToMoveInCheck()) return Evaluate();
    // 3. The next ply inherits this node's promotions; then the move list.
    std::memcpy(PromotedKind[P + 1], PromotedKind[P], 32);
    //    Below the root the quiet moves are written only when reached.
    if (P == 0 && depth != 1)
        OrderRootMoves();
    else if (P == 0)
        GenerateMoves();
    else
        GenerateMovesDeferred();
    // 4. Let the window (or the protocol's input) be looked at.
    PumpEvents();
    // 5.
    const int n = MoveCount[P];
    bool cutoff = false, anyLegal = false;
    // Below the root: whether the side to move is in check here, and then
    // the squares a move other than the king's must reach to be legal.
    const bool inCheck = P > 0 && SideToMoveAttackedKnown();
    const uint64_t evasions = inCheck ? CheckEvasionSquares() : ~uint64_t{0};
    const uint8_t king = SideToMove ? WhiteKing : BlackKing;
    // 6. Every move slot, always the record on top of the list.
    for (int slot = 0; slot < n; ++slot) {
        // After a cutoff with no clock to read, every remaining slot would
        // only be popped: they are popped at once, as those slots would.
        if (cutoff && !UseTime) {
            if (!StopRequested) LastNoMovePly = -1;
            PopMoves(n - slot);
            break;
        }
        // 6.1 Stopping: the rest is popped unsearched.
        if (StopRequested) {
            PopMove();
            continue;
        }
        // 6.2
        LastNoMovePly = -1;
        // 6.3 After a cutoff moves are only popped; illegal moves likewise.
        //     Below the root, once the node has a legal move, a move into a
        //     leaf whose score cannot raise alpha leaves the node as an
        //     illegal move would: such a move is judged only when its score
        //     is above alpha, or before it is searched deeper. A side in
        //     check has mostly illegal moves, so they are judged first.
        //     In check, a move of another piece that neither takes nor
        //     blocks the attack is refused without being made.
        if (!cutoff) WriteTopMove();
        const MoveRecord& next = MoveList[P][MoveCount[P]];
        const bool judgeLater = !cutoff && anyLegal && P > 0 && P + 1 >= depth && !inCheck && !JudgedWhenMade(next);
        const bool refused = !cutoff && inCheck && next.Piece != king && ((evasions >> TargetOf(next, P)) & 1) == 0;
        bool legal = false;
        if (refused) {
            CountRefusedMove();
        } else if (judgeLater) {
            MakeMoveUnjudged();
            legal = true;
        } else if (!cutoff) {
            legal = MakeMove() != False;
        }
        if (legal) {
            // 6.4 A legal move: search it with the window negated and swapped.
            anyLegal = true;
            EnterPly();
            // A child that is a leaf (steps 1-2 of its own call) is
            // evaluated here, without the call.
            int32_t childAlpha = -beta, childBeta = -alpha;
            const int child = P + 1;
            const bool leaf = child > depth || (child == depth && !SideToMoveInCheck());
            if (!leaf && judgeLater) {
                LeavePly();
                legal = JudgeMove() != False;
                EnterPly();
            }
            // Below the root only the side of the window a leaf falls on matters.
            int32_t s = 0;
            if (legal) {
                if (leaf)
                    s = -static_cast<int32_t>(P == 0 ? Evaluate() : EvaluateWithin(childAlpha, childBeta));
                else
                    s = -Minimax(childAlpha, childBeta, depth);
            }
            LeavePly();
            if (legal && leaf && judgeLater && s > alpha) legal = JudgeMove() != False;
            if (legal) {
                const MoveRecord& top = next;  // still on top: the child's list is its own
                // A held-back stop takes effect when the best move is
                // stored; the move's score is still recorded.
                const bool stoppedBefore = StopRequested != 0;
                if (s > alpha) {
                    alpha = s;
                    if (P == 0 && !stoppedBefore) {
                        BestPiece = top.Piece;
                        BestMoveCode = top.MoveCode;
                        BestPromotion = top.Promotion;
                        BestScore = s;
                        BestNoMovePly = LastNoMovePly;
                        ArmStop();
                    }
                }
                if (P == 0 && !stoppedBefore) RecordRootScore(top.Piece, top.MoveCode, top.Promotion, s);
            }
            PopMove();
            if (legal && s >= beta) cutoff = true;
        } else {
            PopMove();
        }
        // 6.5 The clock, after every move slot.
        if (UseTime) CheckTime();
    }
    // 7. Promotions of this node's children are forgotten.
    std::memset(PromotedKind[P + 1], 0, 32);
    // 8. Fail-hard result.
    if (cutoff) return beta;
    if (anyLegal) return alpha;
    if (StopRequested) return Evaluate();
    return NoMoveScore();
}

int32_t NoMoveScore() {
    LastNoMovePly = Ply;
    if (SideToMoveInCheck()) return (SearchDepth + 1 - Ply) * -1000000;
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
