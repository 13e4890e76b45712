// Move lists and the piece move generators. Every generator looks only at
// the Board slice of the current ply and appends through
// AggiungiAMossePossibili; the order of appending is part of the search's
// behaviour, because the exchange sort keeps equal keys in a fixed pattern.
// The generators' algorithms are in piecemoves.h, shared with the search's
// deferred writing of quiet moves; here they append to the list.
#include "position/mossedeipezzi.h"

#include <initializer_list>
#include <string>

#include "position/piecemoves.h"
#include "shell/common.h"

int16_t CastleRights = 3;
int16_t GameCastle[2] = {3, 3};
uint8_t GameEnPassant = NoEnPassant;
int32_t UnscoredRootScore = (4 + 1) * -1000000;  // as for the default depth limit of 4

// Out of line (it grows a vector), so that the append that calls it for the
// root alone stays small enough to inline into every generator.
[[gnu::noinline]] void AddRootMove(uint8_t piece, uint8_t moveCode, uint8_t captured, uint8_t promotion) {
    RootMoves.push_back(MoveRecord{piece, moveCode, captured, promotion, UnscoredRootScore});
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
piecemoves::AppendToList ToList;
}  // namespace

void GenerateRookMoves(uint8_t rank, uint8_t file, uint8_t promotion) {
    piecemoves::Rook(ToList, piecemoves::PieceOn(piecemoves::SquareIndex(rank, file)), promotion);
}
void GenerateBishopMoves(uint8_t rank, uint8_t file, uint8_t promotion) {
    piecemoves::Bishop(ToList, piecemoves::PieceOn(piecemoves::SquareIndex(rank, file)), promotion);
}
void GenerateQueenMoves(uint8_t rank, uint8_t file, uint8_t promotion) {
    piecemoves::Queen(ToList, piecemoves::PieceOn(piecemoves::SquareIndex(rank, file)), promotion);
}
void GenerateKnightMoves(uint8_t rank, uint8_t file, uint8_t promotion) {
    piecemoves::Knight(ToList, piecemoves::PieceOn(piecemoves::SquareIndex(rank, file)), promotion);
}
void GenerateKingMoves(uint8_t rank, uint8_t file) { piecemoves::King(ToList, piecemoves::PieceOn(piecemoves::SquareIndex(rank, file))); }
void GeneratePawnMoves(uint8_t rank, uint8_t file) { piecemoves::Pawn(ToList, piecemoves::PieceOn(piecemoves::SquareIndex(rank, file))); }

void UpdateGameCastle(int id, int fr, int ff, int tr, int tf) {
    if (id == WhiteKing) GameCastle[0] = 0;
    if (id == BlackKing) GameCastle[1] = 0;
    // A move from or to a corner ends castling with that corner's rook.
    auto corner = [](int r, int f) {
        for (const ColourFacts* c : {&WhiteFacts, &BlackFacts}) {
            if (r != c->homeRank) continue;
            if (f == FileA) GameCastle[c->colour] &= ~QueenSideRight;
            if (f == FileH) GameCastle[c->colour] &= ~KingSideRight;
        }
    };
    corner(fr, ff);
    corner(tr, tf);
}
