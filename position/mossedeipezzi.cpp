// Move lists and the piece move generators. Every generator looks only at
// the Board slice of the current ply and appends through
// AggiungiAMossePossibili; the order of appending is part of the search's
// behaviour, because the exchange sort keeps equal keys in a fixed pattern.
// The generators are shaped for speed (precomputed reaches and targets per
// square, see below) without changing which moves they append or in what
// order.
#include "position/mossedeipezzi.h"

#include <string>

#include "search/analizza.h"
#include "shell/common.h"

int16_t CastleRights = 3;
int16_t GameCastle[2] = {3, 3};

// Out of line (it grows a vector), so that the append that calls it for the
// root alone stays small enough to inline into every generator.
[[gnu::noinline]] void AddRootMove(uint8_t piece, uint8_t moveCode, uint8_t captured, uint8_t promotion) {
    // Every root move starts at the score of a side mated at the root, below
    // anything the search can return; an entry still holding it was never scored.
    RootMoves.push_back(MoveRecord{piece, moveCode, captured, promotion, (SearchDepth + 1) * -1000000});
}

namespace {

// The failure path of a full list, kept out of line so that the append
// itself stays a handful of instructions the generators can inline.
[[gnu::noinline, gnu::cold]] void LogFullList() {
    Log("AggiungiAMossePossibili", "Subscript out of range");
    Log("AggiungiAMossePossibil", "UltimaPossibilita: " + std::to_string(MoveCount[Ply]));
    Log("AggiungiAMossePossibil", "Mossepossibili: " + std::to_string(MoveList[Ply][MoveCount[Ply]].MoveCode));
}

}  // namespace

void AggiungiAMossePossibili(uint8_t piece, uint8_t moveCode, uint8_t captured, uint8_t promotion) {
    // A king is never captured: only a position where the side not to move
    // is in check (reached by moves played without a legality test) offers
    // it, and taking it would leave the check tests without a king.
    if (captured == WhiteKing || captured == BlackKing) return;
    // 1. A full list refuses the move: nothing is written past entry 100.
    const int ply = Ply;
    const uint8_t count = MoveCount[ply];
    if (count >= MaxMovesPerPly) {
        LogFullList();
        return;
    }
    // 2. Append with the ordering key: captures of higher ids and promotions rank higher.
    const uint8_t n = static_cast<uint8_t>(count + 1);
    MoveCount[ply] = n;
    StoreRecord(MoveList[ply][n], piece, moveCode, captured, promotion, captured + promotion);
    // 3. Root moves are also kept with their search scores.
    if (ply == 0) AddRootMove(piece, moveCode, captured, promotion);
}

namespace {

// Colour-dependent facts of the generators; the algorithm is shared.
struct Side {
    int enemyLo, enemyHi;        // ids of the opposing colour
    int colour;                  // 0 White, 1 Black
    int homeRank;                // king and rooks' rank
    uint8_t kingRook, queenRook; // corner ids on files h and a
    int forward;                 // pawn direction
    int startRank, lastPushRank; // double-step rank; rank from which a step promotes
    uint8_t doubleCode, stepCode, capPlusCode, capMinusCode;
};
constexpr Side WhiteSide = {17, 32, 0, 1, 8, 1, +1, 2, 7, 16, 15, 22, 8};
constexpr Side BlackSide = {1, 16, 1, 8, 17, 24, -1, 7, 2, 44, 43, 36, 50};

inline const Side& SideOf(uint8_t id) { return IsWhiteId(id) ? WhiteSide : BlackSide; }
inline bool IsEnemy(const Side& s, uint8_t target) { return target >= s.enemyLo && target <= s.enemyHi; }

// The generators work on the current ply's Board slice as 64 bytes, square
// (rank, file) at index (rank - 1) + 8 * (file - 1); a step of (dRank, dFile)
// moves the index by dRank + 8 * dFile. Precomputed per square: how far each
// of the eight directions reaches before the edge, and the knight's and the
// king's on-board targets in code order, so no walk tests the edge itself.
inline int SquareIndex(int rank, int file) { return (rank - 1) + 8 * (file - 1); }
inline int IndexStep(const CodeStep& step) { return step.dRank + 8 * step.dFile; }
inline const uint8_t* CurrentBoard() { return &Board[Ply][0][0]; }

struct Targets {
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
                k.code[k.count] = static_cast<uint8_t>(7 * dir + 1);
                k.square[k.count++] = static_cast<uint8_t>(sq + DirectionStep[dir].dRank + 8 * DirectionStep[dir].dFile);
            }
        }
        for (int j = 0; j < 8; ++j) {
            const int r = rank + KnightStep[j].dRank, f = file + KnightStep[j].dFile;
            if (!Inside(r, f)) continue;
            Targets& k = t.knight[sq];
            k.code[k.count] = static_cast<uint8_t>(57 + j);
            k.square[k.count++] = static_cast<uint8_t>((r - 1) + 8 * (f - 1));
        }
    }
    return t;
}
constexpr GeneratorTables Tables = BuildGeneratorTables();

// Walks one ray from square sq in direction dir (0..7), distance 1..7.
inline void Ray(const Side& s, uint8_t id, int sq, int dir, uint8_t promotion) {
    const uint8_t* board = CurrentBoard();
    const int step = IndexStep(DirectionStep[dir]), reach = Tables.reach[sq][dir];
    for (int dist = 1; dist <= reach; ++dist) {
        const uint8_t target = board[sq + dist * step];
        const uint8_t code = static_cast<uint8_t>(7 * dir + dist);
        if (target == 0) {
            AggiungiAMossePossibili(id, code, 0, promotion);
            continue;
        }
        if (IsEnemy(s, target)) AggiungiAMossePossibili(id, code, target, promotion);
        return;
    }
}

// The king's or the knight's targets: quiet, capture or nothing.
inline void Steps(const Side& s, uint8_t id, const Targets& t, uint8_t promotion) {
    const uint8_t* board = CurrentBoard();
    for (int k = 0; k < t.count; ++k) {
        const uint8_t target = board[t.square[k]];
        if (target == 0)
            AggiungiAMossePossibili(id, t.code[k], 0, promotion);
        else if (IsEnemy(s, target))
            AggiungiAMossePossibili(id, t.code[k], target, promotion);
    }
}

// A pawn move, four times (queen, rook, bishop, knight) when it promotes.
inline void PawnMove(uint8_t id, uint8_t code, uint8_t captured, bool promotes) {
    if (!promotes) {
        AggiungiAMossePossibili(id, code, captured, 0);
        return;
    }
    for (uint8_t kind = PromQueen; kind <= PromKnight; ++kind) AggiungiAMossePossibili(id, code, captured, kind);
}

}  // namespace

// Rays in the order: file - 1, file + 1, rank + 1, rank - 1.
void GenerateRookMoves(uint8_t rank, uint8_t file, uint8_t promotion) {
    const int sq = SquareIndex(rank, file);
    const uint8_t id = CurrentBoard()[sq];
    const Side& s = SideOf(id);
    Ray(s, id, sq, 0, promotion);
    Ray(s, id, sq, 4, promotion);
    Ray(s, id, sq, 2, promotion);
    Ray(s, id, sq, 6, promotion);
}

// Diagonals in code order: up-left, up-right, down-right, down-left.
void GenerateBishopMoves(uint8_t rank, uint8_t file, uint8_t promotion) {
    const int sq = SquareIndex(rank, file);
    const uint8_t id = CurrentBoard()[sq];
    const Side& s = SideOf(id);
    Ray(s, id, sq, 1, promotion);
    Ray(s, id, sq, 3, promotion);
    Ray(s, id, sq, 5, promotion);
    Ray(s, id, sq, 7, promotion);
}

void GenerateQueenMoves(uint8_t rank, uint8_t file, uint8_t promotion) {
    GenerateRookMoves(rank, file, promotion);
    GenerateBishopMoves(rank, file, promotion);
}

// Jumps in code order 57..64, those that stay on the board.
void GenerateKnightMoves(uint8_t rank, uint8_t file, uint8_t promotion) {
    const int sq = SquareIndex(rank, file);
    const uint8_t id = CurrentBoard()[sq];
    Steps(SideOf(id), id, Tables.knight[sq], promotion);
}

void GenerateKingMoves(uint8_t rank, uint8_t file) {
    const int sq = SquareIndex(rank, file);
    const uint8_t id = CurrentBoard()[sq];
    const Side& s = SideOf(id);
    // 1. The eight neighbours in code order 1, 8, ..., 50.
    Steps(s, id, Tables.king[sq], 0);
    // 2. Castling, king side first. The shared rights and the mover's own game
    //    rights must both allow it; attacks are judged when the move is made.
    if (rank != s.homeRank || file != 5) return;
    const int rights = CastleRights & GameCastle[s.colour];
    const int r = s.homeRank;
    if ((rights & 1) && Sq(r, 6, Ply) == 0 && Sq(r, 7, Ply) == 0 && Sq(r, 8, Ply) == s.kingRook)
        AggiungiAMossePossibili(id, 30, 0, 0);
    if ((rights & 2) && Sq(r, 2, Ply) == 0 && Sq(r, 3, Ply) == 0 && Sq(r, 4, Ply) == 0 && Sq(r, 1, Ply) == s.queenRook)
        AggiungiAMossePossibili(id, 2, 0, 0);
}

void GeneratePawnMoves(uint8_t rank, uint8_t file) {
    const uint8_t* board = CurrentBoard();
    const int sq = SquareIndex(rank, file);
    const uint8_t id = board[sq];
    const Side& s = SideOf(id);
    // A promoted pawn moves as its new kind.
    switch (PromOf(id, Ply)) {
        case NotPromoted: break;
        case PromQueen: GenerateQueenMoves(rank, file, 0); return;
        case PromRook: GenerateRookMoves(rank, file, 0); return;
        case PromBishop: GenerateBishopMoves(rank, file, 0); return;
        case PromKnight: GenerateKnightMoves(rank, file, 0); return;
        default: return;
    }
    const int ahead = rank + s.forward;
    // A pawn left on its last rank (played there without a promotion letter) has no moves.
    if (ahead < 1 || ahead > 8) return;
    const bool promotes = rank == s.lastPushRank;
    const int front = sq + s.forward;  // the square ahead; the rank step is one index step
    // 1. Double step from the start rank over two empty squares.
    if (rank == s.startRank && board[front] == 0 && board[front + s.forward] == 0) AggiungiAMossePossibili(id, s.doubleCode, 0, 0);
    // 2. Single step (four promotions from the rank before the last).
    if (board[front] == 0) PawnMove(id, s.stepCode, 0, promotes);
    // 3. Capture toward file + 1, then 4. toward file - 1; never en passant.
    if (file < 8) {
        const uint8_t t = board[front + 8];
        if (IsEnemy(s, t)) PawnMove(id, s.capPlusCode, t, promotes);
    }
    if (file > 1) {
        const uint8_t t = board[front - 8];
        if (IsEnemy(s, t)) PawnMove(id, s.capMinusCode, t, promotes);
    }
}

void UpdateGameCastle(int id, int fr, int ff, int tr, int tf) {
    if (id == WhiteKing) GameCastle[0] = 0;
    if (id == BlackKing) GameCastle[1] = 0;
    // A move from or to a corner ends castling with that corner's rook.
    auto corner = [](int r, int f) {
        if (r == 1 && f == 1) GameCastle[0] &= ~2;
        if (r == 1 && f == 8) GameCastle[0] &= ~1;
        if (r == 8 && f == 1) GameCastle[1] &= ~2;
        if (r == 8 && f == 8) GameCastle[1] &= ~1;
    };
    corner(fr, ff);
    corner(tr, tf);
}
