// Game snapshots for taking moves back ("undo", "remove").
#include "shell/gamehistory.h"

#include <cstring>
#include <string>
#include <vector>

#include "position/gamestate.h"
#include "position/mossedeipezzi.h"
#include "position/variabili.h"

namespace {

struct GameSnapshot {
    uint8_t board[8][8];
    uint8_t rank[32], file[32], promoted[32];
    Bool16 sideToMove;
    size_t historyLength;  // MoveHistory only grows between a snapshot and its undo
    int16_t moveNumber;
    int16_t castleRights;
    int16_t gameCastle[2];
    uint8_t enPassant;
};

// One entry per move played on the game position since the last set-up.
std::vector<GameSnapshot> Snapshots;

}  // namespace

void PushGameSnapshot() {
    GameSnapshot s;
    std::memcpy(s.board, Board[0], sizeof s.board);
    std::memcpy(s.rank, PieceRank[0], sizeof s.rank);
    std::memcpy(s.file, PieceFile[0], sizeof s.file);
    std::memcpy(s.promoted, PromotedKind[0], sizeof s.promoted);
    s.sideToMove = SideToMove;
    s.historyLength = MoveHistory.size();
    s.moveNumber = MoveNumber;
    s.castleRights = CastleRights;
    s.gameCastle[0] = GameCastle[0];
    s.gameCastle[1] = GameCastle[1];
    s.enPassant = GameEnPassant;
    Snapshots.push_back(std::move(s));
}

bool PopGameSnapshot() {
    if (Snapshots.empty()) return false;
    const GameSnapshot& s = Snapshots.back();
    std::memcpy(Board[0], s.board, sizeof s.board);
    std::memcpy(PieceRank[0], s.rank, sizeof s.rank);
    std::memcpy(PieceFile[0], s.file, sizeof s.file);
    std::memcpy(PromotedKind[0], s.promoted, sizeof s.promoted);
    SideToMove = s.sideToMove;
    if (MoveHistory.size() > s.historyLength) MoveHistory.resize(s.historyLength);
    MoveNumber = s.moveNumber;
    CastleRights = s.castleRights;
    GameCastle[0] = s.gameCastle[0];
    GameCastle[1] = s.gameCastle[1];
    GameEnPassant = s.enPassant;
    Snapshots.pop_back();
    VELMOR_ASSERT_POSITION(0, "undo");
    return true;
}

void ClearGameSnapshots() {
    Snapshots.clear();
    Snapshots.shrink_to_fit();
}

int GameSnapshotCount() { return static_cast<int>(Snapshots.size()); }
