// The piece move generators' algorithms, for any sink of their moves.
//
// They are shared by every way their moves are collected: appended to the
// list, counted before the list is written, or written piece by piece when
// the search reaches them. A sink is called as sink(piece, moveCode,
// captured, promotion) once for every move, in the generation order, which is
// part of the search's behaviour (the exchange sort keeps equal keys in a
// pattern that depends on it).
//
// The generators look only at the Board slice of the current ply (and at
// PromotedKind and the castling rights). They work on the slice as 64
// bytes, square (rank, file) at index (rank - 1) + 8 * (file - 1); a step of
// (dRank, dFile) moves the index by dRank + 8 * dFile. Precomputed per
// square: how far each of the eight directions reaches before the edge, and
// the knight's and the king's on-board targets in code order, so no walk
// tests the edge itself.
//
// A sink that needs only how many quiet moves there are offers Quiet(n) and
// the slice's occupancy (occupied, and enemy: the squares of the other
// colour's pieces). Its rays then find their first occupied square in the
// occupancy at once, and its knight and king steps count their empty
// targets at once when none holds an enemy; every move that is not quiet
// still reaches it as a call, in its order.
#pragma once
#include <cstdint>

#include "position/identities.h"
#include "position/mossedeipezzi.h"
#include "position/rays.h"
#include "position/variabili.h"

namespace piecemoves {

// The list's own sink: every move is appended.
struct AppendToList {
    void operator()(uint8_t piece, uint8_t moveCode, uint8_t captured, uint8_t promotion) const {
        AggiungiAMossePossibili(piece, moveCode, captured, promotion);
    }
};

inline const ColourFacts& SideOf(uint8_t id) { return FactsOfColour(IsWhiteId(id)); }
inline bool IsEnemy(const ColourFacts& s, uint8_t target) { return target >= s.enemyLo && target <= s.enemyHi; }

inline int SquareIndex(int rank, int file) { return (rank - 1) + 8 * (file - 1); }
inline int IndexStep(const CodeStep& step) { return step.dRank + 8 * step.dFile; }
inline const uint8_t* CurrentBoard() { return &Board[Ply][0][0]; }

struct Targets {
    uint64_t mask;  // the target squares as a set
    uint8_t count;
    uint8_t code[8];
    uint8_t square[8];
};
struct GeneratorTables {
    uint8_t reach[64][8];  // squares to the edge along direction 0..7
    Targets knight[64];    // jumps 57..64 that stay on the board
    Targets king[64];      // steps 1, 8, ..., 50 that stay on the board
};
constexpr bool Inside(int rank, int file) { return rank >= 1 && rank <= 8 && file >= 1 && file <= 8; }
constexpr GeneratorTables BuildGeneratorTables() {
    GeneratorTables t{};
    for (int sq = 0; sq < 64; ++sq) {
        const int rank = sq % 8 + 1, file = sq / 8 + 1;
        for (int dir = 0; dir < 8; ++dir) {
            int n = 0;
            while (Inside(rank + (n + 1) * DirectionStep[dir].dRank, file + (n + 1) * DirectionStep[dir].dFile)) ++n;
            t.reach[sq][dir] = static_cast<uint8_t>(n);
            if (n > 0) {
                Targets& k = t.king[sq];
                k.mask |= uint64_t{1} << (sq + DirectionStep[dir].dRank + 8 * DirectionStep[dir].dFile);
                k.code[k.count] = RayCode(dir, 1);
                k.square[k.count++] = static_cast<uint8_t>(sq + DirectionStep[dir].dRank + 8 * DirectionStep[dir].dFile);
            }
        }
        for (int j = 0; j < 8; ++j) {
            const int r = rank + KnightStep[j].dRank, f = file + KnightStep[j].dFile;
            if (!Inside(r, f)) continue;
            Targets& k = t.knight[sq];
            k.mask |= uint64_t{1} << ((r - 1) + 8 * (f - 1));
            k.code[k.count] = static_cast<uint8_t>(FirstKnightCode + j);
            k.square[k.count++] = static_cast<uint8_t>((r - 1) + 8 * (f - 1));
        }
    }
    return t;
}
inline constexpr GeneratorTables Tables = BuildGeneratorTables();

// The line tables' ray number of each direction 0..7.
inline constexpr int RayOfDirection[8] = {0, 4, 2, 5, 1, 6, 3, 7};

template <class Sink>
concept CountsQuiet = requires(Sink& sink) { sink.Quiet(1); };

// Walks one ray from square sq in direction dir (0..7), distance 1..7.
template <class Sink>
[[gnu::always_inline]] inline void Ray(Sink& sink, const ColourFacts& s, uint8_t id, int sq, int dir, uint8_t promotion) {
    const uint8_t* board = CurrentBoard();
    if constexpr (CountsQuiet<Sink>) {
        // Every square before the first occupied one is a quiet move.
        const uint64_t first = rays::FirstOnRay(sq, RayOfDirection[dir], sink.occupied);
        if (first == 0) {
            sink.Quiet(Tables.reach[sq][dir]);
            return;
        }
        const int at = __builtin_ctzll(first);
        // The ray from sq holds the one from at: what it has besides is the
        // squares up to at, at included, so their number is the distance.
        const int ray = RayOfDirection[dir];
        const int dist = __builtin_popcountll(rays::Lines.squares[sq][ray] ^ rays::Lines.squares[at][ray]);
        sink.Quiet(dist - 1);
        const uint8_t target = board[at];
        if (IsEnemy(s, target)) sink(id, RayCode(dir, dist), target, promotion);
    } else {
        const int step = IndexStep(DirectionStep[dir]), reach = Tables.reach[sq][dir];
        for (int dist = 1; dist <= reach; ++dist) {
            const uint8_t target = board[sq + dist * step];
            const uint8_t code = RayCode(dir, dist);
            if (target == 0) {
                sink(id, code, 0, promotion);
                continue;
            }
            if (IsEnemy(s, target)) sink(id, code, target, promotion);
            return;
        }
    }
}

// The king's or the knight's targets: quiet, capture or nothing.
template <class Sink>
[[gnu::always_inline]] inline void Steps(Sink& sink, const ColourFacts& s, uint8_t id, const Targets& t, uint8_t promotion) {
    const uint8_t* board = CurrentBoard();
    if constexpr (CountsQuiet<Sink>) {
        if ((t.mask & sink.enemy) == 0) {
            sink.Quiet(__builtin_popcountll(t.mask & ~sink.occupied));
            return;
        }
    }
    for (int k = 0; k < t.count; ++k) {
        const uint8_t target = board[t.square[k]];
        if (target == 0)
            sink(id, t.code[k], 0, promotion);
        else if (IsEnemy(s, target))
            sink(id, t.code[k], target, promotion);
    }
}

// A pawn move, four times (queen, rook, bishop, knight) when it promotes.
template <class Sink>
[[gnu::always_inline]] inline void PawnMove(Sink& sink, uint8_t id, uint8_t code, uint8_t captured, bool promotes) {
    if (!promotes) {
        sink(id, code, captured, 0);
        return;
    }
    for (uint8_t kind = PromQueen; kind <= PromKnight; ++kind) sink(id, code, captured, kind);
}

// A piece to generate for: its colour's facts, its id and its square. The
// generators take the piece standing on the square (every present id
// stands on its own square, so it is the id whose moves are wanted).
struct Piece {
    const ColourFacts& side;
    uint8_t id;
    int sq;
};
inline Piece PieceOn(int sq) {
    const uint8_t id = CurrentBoard()[sq];
    return Piece{SideOf(id), id, sq};
}

// The rays of a sliding piece, in the order given.
template <int... Directions, class Sink>
inline void Rays(Sink& sink, const Piece& pc, uint8_t promotion) {
    (Ray(sink, pc.side, pc.id, pc.sq, Directions, promotion), ...);
}

// Rays in the order: file - 1, file + 1, rank + 1, rank - 1.
template <class Sink>
inline void Rook(Sink& sink, const Piece& pc, uint8_t promotion) {
    Rays<0, 4, 2, 6>(sink, pc, promotion);
}

// Diagonals in code order: up-left, up-right, down-right, down-left.
template <class Sink>
inline void Bishop(Sink& sink, const Piece& pc, uint8_t promotion) {
    Rays<1, 3, 5, 7>(sink, pc, promotion);
}

template <class Sink>
inline void Queen(Sink& sink, const Piece& pc, uint8_t promotion) {
    Rook(sink, pc, promotion);
    Bishop(sink, pc, promotion);
}

// Jumps in code order 57..64, those that stay on the board.
template <class Sink>
inline void Knight(Sink& sink, const Piece& pc, uint8_t promotion) {
    Steps(sink, pc.side, pc.id, Tables.knight[pc.sq], promotion);
}

template <class Sink>
inline void King(Sink& sink, const Piece& pc) {
    const ColourFacts& s = pc.side;
    const uint8_t id = pc.id;
    // 1. The eight neighbours in code order 1, 8, ..., 50.
    Steps(sink, s, id, Tables.king[pc.sq], 0);
    // 2. Castling, king side first. The shared rights and the mover's own game
    //    rights must both allow it; attacks are judged when the move is made.
    if (pc.sq != SquareIndex(s.homeRank, FileE)) return;
    const int rights = CastleRights & GameCastle[s.colour];
    const int r = s.homeRank;
    if ((rights & KingSideRight) && Sq(r, FileF, Ply) == 0 && Sq(r, FileG, Ply) == 0 && Sq(r, FileH, Ply) == s.kingRook)
        sink(id, KingSideCastleCode, 0, 0);
    if ((rights & QueenSideRight) && Sq(r, FileB, Ply) == 0 && Sq(r, FileC, Ply) == 0 && Sq(r, FileD, Ply) == 0 &&
        Sq(r, FileA, Ply) == s.queenRook)
        sink(id, QueenSideCastleCode, 0, 0);
}

// A promoted pawn moves as its new kind (rare: kept out of the pawn's own code).
template <class Sink>
[[gnu::noinline]] void PromotedPawn(Sink& sink, const Piece& pc, uint8_t kind) {
    switch (kind) {
        case PromQueen: Queen(sink, pc, 0); return;
        case PromRook: Rook(sink, pc, 0); return;
        case PromBishop: Bishop(sink, pc, 0); return;
        case PromKnight: Knight(sink, pc, 0); return;
        default: return;
    }
}

template <class Sink>
[[gnu::always_inline]] inline void Pawn(Sink& sink, const Piece& pc) {
    const uint8_t* board = CurrentBoard();
    const ColourFacts& s = pc.side;
    const uint8_t id = pc.id;
    const int sq = pc.sq;
    if (const uint8_t kind = PromOf(id, Ply); kind != NotPromoted) {
        PromotedPawn(sink, pc, kind);
        return;
    }
    const int rank = (sq & 7) + 1, file = (sq >> 3) + 1;  // sq is 0..63
    const int ahead = rank + s.forward;
    // A pawn left on its last rank (played there without a promotion letter) has no moves.
    if (ahead < 1 || ahead > 8) return;
    const bool promotes = rank == s.lastPushRank;
    const int front = sq + s.forward;  // the square ahead; the rank step is one index step
    // 1. Double step from the start rank over two empty squares.
    if (rank == s.startRank && board[front] == 0 && board[front + s.forward] == 0) sink(id, s.doubleCode, 0, 0);
    // 2. Single step (four promotions from the rank before the last).
    if (board[front] == 0) PawnMove(sink, id, s.stepCode, 0, promotes);
    // 3. Capture toward file + 1, then 4. toward file - 1; never en passant.
    if (file < 8) {
        const uint8_t t = board[front + 8];
        if (IsEnemy(s, t)) PawnMove(sink, id, s.capFileHCode, t, promotes);
    }
    if (file > 1) {
        const uint8_t t = board[front - 8];
        if (IsEnemy(s, t)) PawnMove(sink, id, s.capFileACode, t, promotes);
    }
}

// The generator each id on a square calls. Kept as a table and a chain of
// tests (pawns first, the most frequent) rather than a switch: a jump table
// is one indirect branch whose target changes from piece to piece.
enum : uint8_t { NoGenerator,
                 PawnGenerator,
                 KnightGenerator,
                 BishopGenerator,
                 RookGenerator,
                 QueenGenerator,
                 KingGenerator };
inline constexpr struct GeneratorOfId {
    uint8_t of[256] = {};
    constexpr GeneratorOfId() {
        for (int id = WhiteRookA; id <= LastPieceId; ++id) {
            switch (KindOfIdAs(id, NotPromoted)) {
                case PieceKind::Pawn: of[id] = PawnGenerator; break;
                case PieceKind::Knight: of[id] = KnightGenerator; break;
                case PieceKind::Bishop: of[id] = BishopGenerator; break;
                case PieceKind::Rook: of[id] = RookGenerator; break;
                case PieceKind::Queen: of[id] = QueenGenerator; break;
                case PieceKind::King: of[id] = KingGenerator; break;
                default: break;
            }
        }
    }
} GeneratorFor;

// The moves of the piece on (rank, file): a piece off the board (OffBoard
// file) has none and its stale rank is not looked at; otherwise the
// generator follows the id found on the square.
template <class Sink>
inline void PieceMoves(Sink& sink, uint8_t rank, uint8_t file) {
    if (file == OffBoard) return;
    const Piece pc = PieceOn(SquareIndex(rank, file));
    const uint8_t generator = GeneratorFor.of[pc.id];
    if (generator == PawnGenerator)
        Pawn(sink, pc);
    else if (generator == KnightGenerator)
        Knight(sink, pc, 0);
    else if (generator == BishopGenerator)
        Bishop(sink, pc, 0);
    else if (generator == RookGenerator)
        Rook(sink, pc, 0);
    else if (generator == QueenGenerator)
        Queen(sink, pc, 0);
    else if (generator == KingGenerator)
        King(sink, pc);
}

// The same for a fixed id on square sq (where that id stands): the
// generator and the colour are known when the code is compiled.
template <uint8_t Id, class Sink>
[[gnu::always_inline]] inline void MovesOfId(Sink& sink, int sq) {
    constexpr uint8_t generator = GeneratorFor.of[Id];
    const Piece pc{FactsOfColour(IsWhiteId(Id)), Id, sq};
    if constexpr (generator == PawnGenerator)
        Pawn(sink, pc);
    else if constexpr (generator == KnightGenerator)
        Knight(sink, pc, 0);
    else if constexpr (generator == BishopGenerator)
        Bishop(sink, pc, 0);
    else if constexpr (generator == RookGenerator)
        Rook(sink, pc, 0);
    else if constexpr (generator == QueenGenerator)
        Queen(sink, pc, 0);
    else if constexpr (generator == KingGenerator)
        King(sink, pc);
}

// The moves of id FirstId + Slot at ply p, when it is on the board; written
// out per id, so the generator and the colour are fixed when compiled (the
// id on the piece's square is the piece's own).
template <int FirstId, int Slot, class Sink>
[[gnu::always_inline]] inline void SlotMoves(Sink& sink, int p) {
    constexpr uint8_t id = static_cast<uint8_t>(FirstId + Slot);
    const uint8_t file = FileOf(id, p);
    if (file != OffBoard) piecemoves::MovesOfId<id>(sink, piecemoves::SquareIndex(RankOf(id, p), file));
}

}  // namespace piecemoves
