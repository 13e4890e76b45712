// Check tests. The companion library covers the opposing rooks, bishops,
// queen, king and unpromoted pawns from the board alone; the two knights of
// the initial set-up and every promoted pawn are tested here, by id.
#include "rules/scacco.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "companion/velmorutil.h"
#include "position/rays.h"
#include "rules/makemove.h"

namespace {

// The ply the tests examine: the one the move maker writes.
inline int NextPly() { return Ply + 1; }

// Every square strictly between (r0, f0) and (r1, f1), one step (dr, df) at a time, is empty at ply q.
inline bool PathClear(int r0, int f0, int r1, int f1, int dr, int df, int q) {
    for (int r = r0 + dr, f = f0 + df; r != r1 || f != f1; r += dr, f += df)
        if (Sq(r, f, q) != 0) return false;
    return true;
}

inline int Sign(int v) { return (v > 0) - (v < 0); }

inline bool RookLineAt(uint8_t attacker, uint8_t target, int q) {
    if (FileOf(attacker, q) == OffBoard) return false;
    int ra = RankOf(attacker, q), fa = FileOf(attacker, q), rt = RankOf(target, q), ft = FileOf(target, q);
    if (fa != ft && ra != rt) return false;
    return PathClear(ra, fa, rt, ft, Sign(rt - ra), Sign(ft - fa), q);
}

inline bool BishopLineAt(uint8_t attacker, uint8_t target, int q) {
    if (FileOf(attacker, q) == OffBoard) return false;
    int ra = RankOf(attacker, q), fa = FileOf(attacker, q), rt = RankOf(target, q), ft = FileOf(target, q);
    if (std::abs(rt - ra) != std::abs(ft - fa) || rt == ra) return false;
    return PathClear(ra, fa, rt, ft, Sign(rt - ra), Sign(ft - fa), q);
}

inline bool KnightAt(uint8_t attacker, uint8_t target, int q) {
    if (FileOf(attacker, q) == OffBoard) return false;
    return fCavallo(RankOf(target, q), FileOf(target, q), RankOf(attacker, q), FileOf(attacker, q)) != 0;
}

// The king of one colour attacked at ply q by the opposing pieces.
// Shaped for speed: the library test is called directly (no pointer, so it
// can be inlined across the build), and the promoted-pawn loop is skipped
// when none of the eight opposing pawn ids has promoted, which one 8-byte
// read of the PromotedKind slice tells.
inline bool KingAttackedAt(int q, uint8_t king, uint8_t knightA, uint8_t knightB, uint8_t pawnLo, bool white) {
    // 1. Rooks, bishops, queen, king and unpromoted pawns.
    const int32_t library = white ? fBianco(&Board[0][0][0], RankOf(king, q), FileOf(king, q), q, &PromotedKind[0][0])
                                  : fNero(&Board[0][0][0], RankOf(king, q), FileOf(king, q), q, &PromotedKind[0][0]);
    if (library == 1) return true;
    // 2. The two knights of the initial set-up.
    if (KnightAt(knightA, king, q) || KnightAt(knightB, king, q)) return true;
    // 3. Promoted pawns, as their new kind.
    uint64_t promotedPawns;
    std::memcpy(&promotedPawns, &PromotedKind[q][pawnLo - 1], sizeof promotedPawns);
    if (promotedPawns == 0) return false;
    for (uint8_t id = pawnLo; id < pawnLo + PawnsPerSide; ++id) {
        bool hit = false;
        switch (PromOf(id, q)) {
            case PromQueen: hit = RookLineAt(id, king, q) || BishopLineAt(id, king, q); break;
            case PromRook: hit = RookLineAt(id, king, q); break;
            case PromBishop: hit = BishopLineAt(id, king, q); break;
            case PromKnight: hit = KnightAt(id, king, q); break;
            default: break;
        }
        if (hit) return true;
    }
    return false;
}
inline bool WhiteAttackedAt(int q) { return KingAttackedAt(q, WhiteKing, BlackKnightG, BlackKnightB, BlackPawnH, true); }
inline bool BlackAttackedAt(int q) { return KingAttackedAt(q, BlackKing, WhiteKnightB, WhiteKnightG, WhitePawnA, false); }
inline bool AttackedAt(int q, bool whiteKing) { return whiteKing ? WhiteAttackedAt(q) : BlackAttackedAt(q); }

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
enum : uint8_t { Orth = 1, Diag = 2 };
constexpr uint8_t ReachOfKind(PieceKind kind) {
    return kind == PieceKind::Queen ? Orth | Diag : kind == PieceKind::Rook ? Orth : kind == PieceKind::Bishop ? Diag : 0;
}
// By id for the ids that are not pawns ([id]), and for pawn ids by their
// PromotedKind ([PromotedKind]); every byte value is an index.
constexpr struct ReachTables {
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
enum : uint8_t { NoAttack, QueenAttack, RookAttack, BishopAttack, KnightAttack, WhitePawnAttack, BlackPawnAttack, AttackKinds };
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
constexpr EmptyBoardAttacks EmptyAttacks = BuildEmptyBoardAttacks();

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
constexpr AttackKindTable AttackKindOf = BuildAttackKinds();

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
struct KnownAttack {
    uint64_t stamp[2];  // the stamp each answer belongs to, by king: 0 White, 1 Black
    bool attacked[2];
};
KnownAttack Known[MaxPly + 1];

bool WorkOutAttacked(int p, bool whiteKing);

inline bool KnownAttacked(int p, bool whiteKing) {
    KnownAttack& k = Known[p];
    const int c = whiteKing ? 0 : 1;
    if (k.stamp[c] != Origin[p].stamp) {
        k.attacked[c] = WorkOutAttacked(p, whiteKing);
        k.stamp[c] = Origin[p].stamp;
    }
    return k.attacked[c];
}

#if defined(VELMOR_CHECK_INVARIANT)
// Checked builds compare every short cut with the full test.
inline bool Checked(bool shortCut, int q, bool whiteKing, const char* where) {
    if (shortCut != AttackedAt(q, whiteKing)) {
        std::fprintf(stderr, "%s: the short cut says %d at ply %d, the full test does not\n", where, shortCut ? 1 : 0, q);
        std::abort();
    }
    return shortCut;
}
#else
inline bool Checked(bool shortCut, int, bool, const char*) { return shortCut; }
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
    return AttackedAt(p, whiteKing);
}

}  // namespace

Bool16 MoverKingAttacked() {
    const int p = Ply, q = p + 1;
    const bool white = SideToMove != 0;
    const SliceOrigin& o = Origin[q];
    if (MadeFromKnownPly(q) && !IsKingId(o.piece) && !KnownAttacked(p, white)) {
        const uint8_t king = white ? WhiteKing : BlackKing;
        const bool attacked = UncoveredLine(q, king, SquareOf(king, q), o.from);
        return Checked(attacked, q, white, "MoverKingAttacked") ? True : False;
    }
    return AttackedAt(q, white) ? True : False;
}

Bool16 SideToMoveInCheck() {
    // The side to move's king at the current ply.
    const int q = Ply, p = q - 1;
    const bool white = SideToMove != 0;
    const SliceOrigin& o = Origin[q > 0 ? q : 0];
    // The side to move here made the move into ply p: when that move passed
    // the legality test its king was not attacked at p.
    if (q > 0 && MadeFromKnownPly(q) && !IsKingId(o.piece) && (Origin[p].legal || !KnownAttacked(p, white))) {
        return Checked(ReachedByMove(q, white ? WhiteKing : BlackKing), q, white, "SideToMoveInCheck") ? True : False;
    }
    // One ply down, the current ply is the one the full tests examine.
    LeavePly();
    Bool16 r = SideToMove ? BlackKingAttacked() : WhiteKingAttacked();
    EnterPly();
    return r;
}

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

Bool16 WhiteKingAttacked() { return WhiteAttackedAt(NextPly()) ? True : False; }
Bool16 BlackKingAttacked() { return BlackAttackedAt(NextPly()) ? True : False; }

Bool16 RookLineAttack(const uint8_t& attacker, const uint8_t& target) { return RookLineAt(attacker, target, NextPly()) ? True : False; }
Bool16 BishopLineAttack(const uint8_t& attacker, const uint8_t& target) { return BishopLineAt(attacker, target, NextPly()) ? True : False; }

Bool16 QueenLineAttack(const uint8_t& attacker, const uint8_t& target) {
    const int q = NextPly();
    if (FileOf(attacker, q) == OffBoard) return False;
    if (RankOf(attacker, q) == RankOf(target, q) || FileOf(attacker, q) == FileOf(target, q)) return RookLineAttack(attacker, target);
    return BishopLineAttack(attacker, target);
}

Bool16 KnightAttack(const uint8_t& attacker, const uint8_t& target) { return KnightAt(attacker, target, NextPly()) ? True : False; }
