// The carried king facts worked out: a ply's kings from the ply before, and the squares that answer a check.
#include "rules/kingfacts.h"

#include <cstdio>
#include <cstdlib>

#include "position/rays.h"
#include "rules/makemove.h"
#include "rules/scacco.h"

namespace kingfacts {

KingAttackFacts KingAttackOfPly[MaxPly + 1];

#if defined(VELMOR_CHECK_INVARIANT)
bool Checked(bool shortCut, int q, bool whiteKing, const char* where) {
    if (shortCut != KingAttackedAtPly(q, whiteKing)) {
        std::fprintf(stderr, "%s: the short cut says %d at ply %d, the full test does not\n", where, shortCut ? 1 : 0, q);
        std::abort();
    }
    return shortCut;
}
#endif

// A king at ply p of the search. The mover's own king is not attacked
// when its move passed the legality test. The other king made the move
// before, so it was not attacked at p - 1 when that move passed the test,
// and then only the line through the origin or the moved piece can attack
// it at p. Otherwise (a king move, plies not made by the move maker) the
// full test.
bool WorkOutAttacked(int p, bool whiteKing) {
    const SliceOrigin& o = Origin[p];
    const uint8_t king = whiteKing ? WhiteKing : BlackKing;
    if (MadeFromKnownPly(p)) {
        if (SameColour(o.piece, king)) {
            if (o.legal) return Checked(false, p, whiteKing, "KnownAttacked");
        } else if (!IsKingId(o.piece) && Origin[p - 1].legal) {
            return Checked(ReachedByMove(p, king), p, whiteKing, "KnownAttacked");
        }
    }
    return KingAttackedAtPly(p, whiteKing);
}

}  // namespace kingfacts

using namespace kingfacts;

bool SideToMoveAttackedKnown() { return KnownAttacked(Ply, SideToMove != 0); }

uint64_t CheckEvasionSquares() {
    const int p = Ply;
    const bool white = SideToMove != 0;
    const uint8_t king = white ? WhiteKing : BlackKing;
    const uint8_t* board = &Board[p][0][0];
    const int k = SquareOf(king, p);
    const uint64_t occupied = rays::Occupied(board);
    // Every attacker counted here does attack the king; one missed could
    // only make a single check a double one, where no such move helps.
    uint64_t attackers = 0, between = 0;
    // 1. Sliders: the first piece on a ray, of the other colour, reaching along it.
    for (int d = 0; d < 8; ++d) {
        const uint64_t first = rays::FirstOnRay(k, d, occupied);
        if (first == 0) continue;
        const int at = __builtin_ctzll(first);
        const uint8_t id = board[at];
        if (SameColour(id, king) || (ReachAt(id, p) & RayReach(d)) == 0) continue;
        attackers |= first;
        between |= rays::Lines.squares[k][d] & ~rays::Lines.squares[at][d] & ~first;
    }
    // 2. The two knights and the pawn ids, by the test for a moved piece
    //    (promoted sliders are found again there, which changes nothing).
    const ColourFacts& enemy = FactsOfColour(!white);
    auto byMovedPieceTest = [&](uint8_t piece) {
        if (FileOf(piece, p) == OffBoard) return;
        const int at = SquareOf(piece, p);
        if (MovedPieceAttacks(p, piece, at, k)) attackers |= uint64_t{1} << at;
    };
    byMovedPieceTest(enemy.knightB);
    byMovedPieceTest(enemy.knightG);
    for (int pawn = 0; pawn < PawnsPerSide; ++pawn) byMovedPieceTest(static_cast<uint8_t>(enemy.firstPawn + pawn));
    if (attackers == 0) return ~uint64_t{0};
    if ((attackers & (attackers - 1)) != 0) return 0;
    return attackers | between;
}
