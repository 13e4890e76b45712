// Move lists and the piece move generators. Every generator looks only at
// the Board slice of the current ply and appends through
// AggiungiAMossePossibili; the order of appending is part of the search's
// behaviour, because the exchange sort keeps equal keys in a fixed pattern.
#include "position/mossedeipezzi.h"

#include <string>

#include "search/analizza.h"
#include "shell/common.h"

int16_t CastleRights = 3;
int16_t GameCastle[2] = {3, 3};

void AddRootMove(uint8_t piece, uint8_t moveCode, uint8_t captured, uint8_t promotion) {
    // Every root move starts at the score of a side mated at the root, below
    // anything the search can return; an entry still holding it was never scored.
    RootMoves.push_back(MoveRecord{piece, moveCode, captured, promotion, (SearchDepth + 1) * -1000000});
}

void AggiungiAMossePossibili(uint8_t piece, uint8_t moveCode, uint8_t captured, uint8_t promotion) {
    // A king is never captured: only a position where the side not to move
    // is in check (reached by moves played without a legality test) offers
    // it, and taking it would leave the check tests without a king.
    if (captured == WhiteKing || captured == BlackKing) return;
    // 1. A full list refuses the move: nothing is written past entry 100.
    if (MoveCount[Ply] >= MaxMovesPerPly) {
        Log("AggiungiAMossePossibili", "Subscript out of range");
        Log("AggiungiAMossePossibil", "UltimaPossibilita: " + std::to_string(MoveCount[Ply]));
        Log("AggiungiAMossePossibil", "Mossepossibili: " + std::to_string(MoveList[Ply][MoveCount[Ply]].MoveCode));
        return;
    }
    // 2. Append with the ordering key: captures of higher ids and promotions rank higher.
    uint8_t n = static_cast<uint8_t>(MoveCount[Ply] + 1);
    MoveCount[Ply] = n;
    MoveList[Ply][n] = MoveRecord{piece, moveCode, captured, promotion, captured + promotion};
    // 3. Root moves are also kept with their search scores.
    if (Ply == 0) AddRootMove(piece, moveCode, captured, promotion);
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

// Walks one ray from (rank, file) in direction dir (0..7), distance 1..7.
inline void Ray(const Side& s, uint8_t id, int rank, int file, int dir, uint8_t promotion) {
    const int dr = DirectionStep[dir].dRank, df = DirectionStep[dir].dFile;
    int r = rank + dr, f = file + df;
    for (int dist = 1; OnBoard(r, f); ++dist, r += dr, f += df) {
        uint8_t target = Sq(r, f, Ply);
        uint8_t code = static_cast<uint8_t>(7 * dir + dist);
        if (target == 0) {
            AggiungiAMossePossibili(id, code, 0, promotion);
            continue;
        }
        if (target >= s.enemyLo && target <= s.enemyHi) AggiungiAMossePossibili(id, code, target, promotion);
        return;
    }
}

// One step to (r, f) for the king and the knight: quiet, capture or nothing.
inline void Step(const Side& s, uint8_t id, int r, int f, uint8_t code, uint8_t promotion) {
    if (!OnBoard(r, f)) return;
    uint8_t target = Sq(r, f, Ply);
    if (target == 0)
        AggiungiAMossePossibili(id, code, 0, promotion);
    else if (target >= s.enemyLo && target <= s.enemyHi)
        AggiungiAMossePossibili(id, code, target, promotion);
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
    uint8_t id = Sq(rank, file, Ply);
    const Side& s = SideOf(id);
    Ray(s, id, rank, file, 0, promotion);
    Ray(s, id, rank, file, 4, promotion);
    Ray(s, id, rank, file, 2, promotion);
    Ray(s, id, rank, file, 6, promotion);
}

// Diagonals in code order: up-left, up-right, down-right, down-left.
void GenerateBishopMoves(uint8_t rank, uint8_t file, uint8_t promotion) {
    uint8_t id = Sq(rank, file, Ply);
    const Side& s = SideOf(id);
    Ray(s, id, rank, file, 1, promotion);
    Ray(s, id, rank, file, 3, promotion);
    Ray(s, id, rank, file, 5, promotion);
    Ray(s, id, rank, file, 7, promotion);
}

void GenerateQueenMoves(uint8_t rank, uint8_t file, uint8_t promotion) {
    GenerateRookMoves(rank, file, promotion);
    GenerateBishopMoves(rank, file, promotion);
}

void GenerateKnightMoves(uint8_t rank, uint8_t file, uint8_t promotion) {
    uint8_t id = Sq(rank, file, Ply);
    const Side& s = SideOf(id);
    for (int k = 0; k < 8; ++k)
        Step(s, id, rank + KnightStep[k].dRank, file + KnightStep[k].dFile, static_cast<uint8_t>(57 + k), promotion);
}

void GenerateKingMoves(uint8_t rank, uint8_t file) {
    uint8_t id = Sq(rank, file, Ply);
    const Side& s = SideOf(id);
    // 1. The eight neighbours in code order 1, 8, ..., 50.
    for (int dir = 0; dir < 8; ++dir)
        Step(s, id, rank + DirectionStep[dir].dRank, file + DirectionStep[dir].dFile, static_cast<uint8_t>(7 * dir + 1), 0);
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
    uint8_t id = Sq(rank, file, Ply);
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
    // 1. Double step from the start rank over two empty squares.
    if (rank == s.startRank && Sq(ahead, file, Ply) == 0 && Sq(ahead + s.forward, file, Ply) == 0)
        AggiungiAMossePossibili(id, s.doubleCode, 0, 0);
    // 2. Single step (four promotions from the rank before the last).
    if (Sq(ahead, file, Ply) == 0) PawnMove(id, s.stepCode, 0, promotes);
    // 3. Capture toward file + 1, then 4. toward file - 1; never en passant.
    if (file < 8) {
        uint8_t t = Sq(ahead, file + 1, Ply);
        if (t >= s.enemyLo && t <= s.enemyHi) PawnMove(id, s.capPlusCode, t, promotes);
    }
    if (file > 1) {
        uint8_t t = Sq(ahead, file - 1, Ply);
        if (t >= s.enemyLo && t <= s.enemyHi) PawnMove(id, s.capMinusCode, t, promotes);
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
