// The carried king facts: whether each king is attacked at a ply, and the short cuts that find it.
//
// The answers are kept with the stamp of the ply's slices (rules/makemove.h)
// and found from the ply before where the move between them allows it.
#pragma once
#include <cstdint>

#include "position/rays.h"
#include "position/variabili.h"
#include "rules/makemove.h"
#include "rules/scacco.h"

namespace kingfacts {

// Short cuts from what is known of the ply before. Between ply p and the
// slices ply q = p + 1 made from it by a move of some piece other than a
// king, the only square emptied is the move's origin and the only pieces
// changed are the mover (moved, perhaps promoted) and the captured piece
// (gone). So:
//   - the mover's own king, not attacked at p, is attacked at q only along
//     the line from it through the origin (an opposing slider uncovered);
//   - the other king, not attacked at p, is attacked at q only along that
//     line (an own slider uncovered) or by the moved piece itself.
// Both are exactly what the full test would say; a king move (castling
// included) or a king attacked at p takes the full test.

// Line reach of an id at a ply: Orth for rooks, Diag for bishops, both for
// the queen, and for a pawn id that of its promoted kind.
enum : uint8_t { Orth = 1,
                 Diag = 2 };
constexpr uint8_t ReachOfKind(PieceKind kind) {
    return kind == PieceKind::Queen ? Orth | Diag : kind == PieceKind::Rook ? Orth
                                                : kind == PieceKind::Bishop ? Diag
                                                                            : 0;
}
// By id for the ids that are not pawns ([id]), and for pawn ids by their
// PromotedKind ([PromotedKind]); every byte value is an index.
inline constexpr struct ReachTables {
    uint8_t fixed[256] = {}, promoted[256] = {};
    constexpr ReachTables() {
        for (int id = WhiteRookA; id <= LastPieceId; ++id)
            if (!IsPawnId(id)) fixed[id] = ReachOfKind(KindOfIdAs(id, NotPromoted));
        for (uint8_t prom = PromQueen; prom <= PromKnight; ++prom) promoted[prom] = ReachOfKind(KindOfIdAs(WhitePawnA, prom));
    }
} Reach;

inline uint8_t ReachAt(uint8_t id, int q) { return IsPawnId(id) ? Reach.promoted[PromOf(id, q)] : Reach.fixed[id]; }
inline uint8_t RayReach(int d) { return rays::Orthogonal(d) ? Orth : Diag; }
inline int SquareOf(uint8_t id, int q) { return (RankOf(id, q) - 1) + 8 * (FileOf(id, q) - 1); }

// A slider of the colour opposite to king's stands first on the ray from the
// king's square k toward square through, at ply q.
[[gnu::always_inline]] inline bool UncoveredLine(int q, uint8_t king, int k, int through) {
    const uint8_t d = rays::Lines.toward[k][through];
    if (d == rays::NoRay) return false;
    const uint64_t first = rays::FirstOnRay(k, d, rays::Occupied(&Board[q][0][0]));
    if (first == 0) return false;
    const uint8_t id = (&Board[q][0][0])[__builtin_ctzll(first)];
    return !SameColour(id, king) && (ReachAt(id, q) & RayReach(d)) != 0;
}

// Attack squares on an empty board by kind, [kind][square]: the lines of
// the sliders, the knight's jumps, the two squares diagonally ahead of an
// unpromoted pawn of each colour; nothing for NoAttack (the kings).
enum : uint8_t { NoAttack,
                 QueenAttack,
                 RookAttack,
                 BishopAttack,
                 KnightAttack,
                 WhitePawnAttack,
                 BlackPawnAttack,
                 AttackKinds };
struct EmptyBoardAttacks {
    uint64_t from[AttackKinds][64];
};
constexpr EmptyBoardAttacks BuildEmptyBoardAttacks() {
    EmptyBoardAttacks t{};
    for (int s = 0; s < 64; ++s) {
        const int r = s % 8, f = s / 8;
        for (int d = 0; d < 8; ++d) {
            t.from[QueenAttack][s] |= rays::Lines.squares[s][d];
            t.from[rays::Orthogonal(d) ? RookAttack : BishopAttack][s] |= rays::Lines.squares[s][d];
        }
        for (const CodeStep& j : KnightStep) {
            const int jr = r + j.dRank, jf = f + j.dFile;
            if (jr >= 0 && jr < 8 && jf >= 0 && jf < 8) t.from[KnightAttack][s] |= uint64_t{1} << (jr + 8 * jf);
        }
        for (const int jf : {f - 1, f + 1}) {
            if (jf < 0 || jf >= 8) continue;
            if (r + 1 < 8) t.from[WhitePawnAttack][s] |= uint64_t{1} << (r + 1 + 8 * jf);
            if (r >= 1) t.from[BlackPawnAttack][s] |= uint64_t{1} << (r - 1 + 8 * jf);
        }
    }
    return t;
}
inline constexpr EmptyBoardAttacks EmptyAttacks = BuildEmptyBoardAttacks();

// The attack kind of each id by its PromotedKind & 7, [id][kind].
struct AttackKindTable {
    uint8_t of[33][8];
};
constexpr AttackKindTable BuildAttackKinds() {
    AttackKindTable t{};
    for (int id = 1; id <= 32; ++id) {
        for (uint8_t prom = 0; prom < 8; ++prom) {
            uint8_t& kind = t.of[id][prom];
            // A pawn id with a code that is no promotion attacks nothing.
            if (IsPawnId(id) && prom > PromKnight) continue;
            switch (KindOfIdAs(id, prom)) {
                case PieceKind::Queen: kind = QueenAttack; break;
                case PieceKind::Rook: kind = RookAttack; break;
                case PieceKind::Bishop: kind = BishopAttack; break;
                case PieceKind::Knight: kind = KnightAttack; break;
                case PieceKind::Pawn: kind = IsWhiteId(id) ? WhitePawnAttack : BlackPawnAttack; break;
                default: kind = NoAttack; break;
            }
        }
    }
    return t;
}
inline constexpr AttackKindTable AttackKindOf = BuildAttackKinds();

// The piece that moved, standing on square to at ply q, attacks the king on
// square k (that king's colour is the other one). Most moved pieces do not
// stand where their kind could attack the king at all, which one look at
// the empty-board table tells; a knight or a pawn there does attack, a
// slider when nothing stands between.
[[gnu::always_inline]] inline bool MovedPieceAttacks(int q, uint8_t id, int to, int k) {
    const uint8_t kind = AttackKindOf.of[id][PromOf(id, q) & 7];
    if (((EmptyAttacks.from[kind][to] >> k) & 1) == 0) return false;
    if (kind >= KnightAttack) return true;
    return rays::FirstOnRay(k, rays::Lines.toward[k][to], rays::Occupied(&Board[q][0][0])) == uint64_t{1} << to;
}

// The king of the colour that did not move into ply q, not attacked at
// q - 1, attacked at q: through the line from it over the move's origin,
// or by the moved piece.
[[gnu::always_inline]] inline bool ReachedByMove(int q, uint8_t king) {
    const SliceOrigin& o = Origin[q];
    const int k = SquareOf(king, q);
    return UncoveredLine(q, king, k, o.from) || MovedPieceAttacks(q, o.piece, o.to, k);
}

// Whether each king is attacked in the slices of a known ply, found once
// per ply and kept with that ply's stamp.
struct KingAttackFacts {
    uint64_t stamp[2];  // the stamp each answer belongs to, by king: 0 White, 1 Black
    bool attacked[2];
};
// What is known of each ply's kings, [ply].
extern KingAttackFacts KingAttackOfPly[MaxPly + 1];

// The answer for a ply whose kept answer is stale (kingfacts.cpp).
bool WorkOutAttacked(int p, bool whiteKing);

inline bool KnownAttacked(int p, bool whiteKing) {
    KingAttackFacts& k = KingAttackOfPly[p];
    const int c = whiteKing ? 0 : 1;
    if (k.stamp[c] != Origin[p].stamp) {
        k.attacked[c] = WorkOutAttacked(p, whiteKing);
        k.stamp[c] = Origin[p].stamp;
    }
    return k.attacked[c];
}

#if defined(VELMOR_CHECK_INVARIANT)
// Checked builds compare every short cut with the full test.
bool Checked(bool shortCut, int q, bool whiteKing, const char* where);
#else
inline bool Checked(bool shortCut, int, bool, const char*) { return shortCut; }
#endif

}  // namespace kingfacts
