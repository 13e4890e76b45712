// Shared set-up for the unit tests: positions built by id or from FEN, with
// the settings file kept out of the way.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
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

struct Placed {
    int id;
    const char* square;
    int promoted = 0;
};

// Empties every ply and puts the given ids on slice 0, every castling right on.
inline void PlaceList(const std::vector<Placed>& pieces, bool whiteToMove = true) {
    SettingsFileEnabled = false;
    std::memset(Board, 0, sizeof Board);
    std::memset(PromotedKind, 0, sizeof PromotedKind);
    std::memset(MoveCount, 0, sizeof MoveCount);
    std::memset(PieceFile, OffBoard, sizeof PieceFile);
    for (const Placed& p : pieces) {
        const int file = p.square[0] - 'a' + 1, rank = p.square[1] - '0';
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

inline void SetFen(const std::string& fen) {
    SettingsFileEnabled = false;
    std::memset(MoveCount, 0, sizeof MoveCount);
    Ply = 0;
    std::string why;
    ASSERT_TRUE(SetPositionFromFen(fen, &why)) << fen << ": " << why;
    CastleRights = 3;
    RootMoves.assign(1, MoveRecord{});
}

inline void NewGame() {  // the start position as after "new", White to move
    PlaceList({});
    SetInitialPosition();
    SideToMove = True;
}

inline void AtPlyOne() {  // slice 0 copied to ply 1 and made current, as in the search
    Ply = 1;
    std::memcpy(Board[1], Board[0], 64);
    std::memcpy(PieceFile[1], PieceFile[0], 32);
    std::memcpy(PieceRank[1], PieceRank[0], 32);
    std::memcpy(PromotedKind[1], PromotedKind[0], 32);
}

inline std::vector<MoveRecord> ListOfPly() { return {MoveList[Ply] + 1, MoveList[Ply] + 1 + MoveCount[Ply]}; }
inline void ClearList() {
    while (MoveCount[Ply] > 0) PopMove();
}
inline std::string MoveText(const MoveRecord& m) {
    static const char* letters[5] = {"", "q", "r", "b", "n"};
    return MoveToText(m.Piece, m.MoveCode) + letters[m.Promotion];
}
