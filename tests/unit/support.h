// Shared set-up for the unit tests: positions built by id or from FEN,
// with the settings file kept out of the way.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "eval/valorideipezzi.h"
#include "position/generate.h"
#include "position/mossedeipezzi.h"
#include "position/setup.h"
#include "position/variabili.h"
#include "rules/makemove.h"
#include "search/analizza.h"
#include "shell/common.h"
#include "shell/notation.h"
#include "shell/protocol.h"

struct Placed { int id; const char* square; int promoted = 0; };

// Empties every ply and puts the given ids on slice 0; White to move.
template <typename Pieces>
inline void PlaceList(const Pieces& pieces, bool whiteToMove) {
    SettingsFileEnabled = false;
    std::memset(Board, 0, sizeof Board);
    std::memset(PromotedKind, 0, sizeof PromotedKind);
    std::memset(MoveCount, 0, sizeof MoveCount);
    std::memset(PieceFile, OffBoard, sizeof PieceFile);
    for (const Placed& p : pieces) {
        int file = p.square[0] - 'a' + 1, rank = p.square[1] - '0';
        Sq(rank, file, 0) = static_cast<uint8_t>(p.id);
        RankOf(p.id, 0) = static_cast<uint8_t>(rank);
        FileOf(p.id, 0) = static_cast<uint8_t>(file);
        PromOf(p.id, 0) = static_cast<uint8_t>(p.promoted);
    }
    Ply = 0;
    SideToMove = whiteToMove ? True : False;
    CastleRights = 3;
    GameCastle[0] = GameCastle[1] = 3;
    RootMoves.assign(1, MoveRecord{});
}
inline void PlaceById(std::initializer_list<Placed> pieces, bool whiteToMove = true) { PlaceList(pieces, whiteToMove); }

inline void SetFen(const std::string& fen) {
    SettingsFileEnabled = false;
    std::memset(MoveCount, 0, sizeof MoveCount);
    Ply = 0;
    std::string why;
    ASSERT_TRUE(SetPositionFromFen(fen, &why)) << fen << ": " << why;
    RootMoves.assign(1, MoveRecord{});
}

// The moves of the current ply's list, entry 1 first.
inline std::vector<MoveRecord> ListOfPly() {
    return std::vector<MoveRecord>(MoveList[Ply] + 1, MoveList[Ply] + 1 + MoveCount[Ply]);
}

// Clears the current ply's list after a generation test.
inline void ClearList() {
    while (MoveCount[Ply] > 0) PopMove();
}

inline std::vector<int> Codes(const std::vector<MoveRecord>& moves) {
    std::vector<int> codes;
    for (const MoveRecord& m : moves) codes.push_back(m.MoveCode);
    return codes;
}

inline int SquareId(const char* square, int ply = 0) { return Sq(square[1] - '0', square[0] - 'a' + 1, ply); }

// Legal moves at ply 0 as coordinate text, by making each generated move.
inline std::vector<std::string> LegalMoves() {
    std::vector<std::string> legal;
    GenerateMoves();
    while (MoveCount[0] > 0) {
        const MoveRecord m = MoveList[0][MoveCount[0]];
        if (MakeMove()) {
            static const char* letters[5] = {"", "q", "r", "b", "n"};
            legal.push_back(MoveToText(m.Piece, m.MoveCode) + letters[m.Promotion]);
        }
        PopMove();
    }
    RootMoves.assign(1, MoveRecord{});
    return legal;
}
