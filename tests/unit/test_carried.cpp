// The check test at the horizon and the evaluation start from what is known
// of the ply before (its king attacks, its table sum and pawn facts). At
// every node of small trees from the perft positions, what they say must
// equal what the full routines say of the same slice set up as the game
// position, where nothing is known.
#include <fstream>
#include <sstream>

#include "eval/evaluate.h"
#include "rules/scacco.h"
#include "support.h"

namespace {

std::vector<std::string> PerftFens() {
    std::vector<std::string> fens;
    std::ifstream in(std::string(VELMOR_TEST_DATA) + "/perft.epd");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        fens.push_back(line.substr(0, line.find(';')));
    }
    return fens;
}

struct Slice0 {
    uint8_t board[64], rank[32], file[32], prom[32];
};

// The full routines' answers for the slices of ply q, read as the game position.
void FullAnswers(int q, bool& inCheck, int16_t& score) {
    Slice0 saved;
    std::memcpy(saved.board, Board[0], 64);
    std::memcpy(saved.rank, PieceRank[0], 32);
    std::memcpy(saved.file, PieceFile[0], 32);
    std::memcpy(saved.prom, PromotedKind[0], 32);
    const int16_t ply = Ply;
    const Bool16 side = SideToMove;
    std::memcpy(Board[0], Board[q], 64);
    std::memcpy(PieceRank[0], PieceRank[q], 32);
    std::memcpy(PieceFile[0], PieceFile[q], 32);
    std::memcpy(PromotedKind[0], PromotedKind[q], 32);
    Ply = 0;
    inCheck = SideToMoveInCheck() != 0;
    score = Evaluate();
    Ply = ply;
    SideToMove = side;
    std::memcpy(Board[0], saved.board, 64);
    std::memcpy(PieceRank[0], saved.rank, 32);
    std::memcpy(PieceFile[0], saved.file, 32);
    std::memcpy(PromotedKind[0], saved.prom, 32);
}

// Walks every legal line to depth, as the search makes them, and compares
// at every node below the first ply. Returns the number of nodes compared.
int Walk(int depth, const std::string& fen) {
    int compared = 0;
    if (Ply >= 1) {
        bool fullCheck;
        int16_t fullScore;
        const bool inCheck = SideToMoveInCheck() != 0;
        const int16_t score = Evaluate();
        FullAnswers(Ply, fullCheck, fullScore);
        EXPECT_EQ(inCheck, fullCheck) << fen << " at ply " << Ply;
        EXPECT_EQ(score, fullScore) << fen << " at ply " << Ply;
        ++compared;
    }
    if (Ply >= depth) return compared;
    std::memcpy(PromotedKind[Ply + 1], PromotedKind[Ply], 32);
    GenerateMoves();
    while (MoveCount[Ply] > 0) {
        if (MakeMove()) {
            EnterPly();
            VELMOR_ASSERT_POSITION(Ply, "walk");
            compared += Walk(depth, fen);
            LeavePly();
        }
        PopMove();
    }
    std::memset(PromotedKind[Ply + 1], 0, 32);
    return compared;
}

}  // namespace

TEST(CarriedFacts, AgreeWithTheFullRoutinesAtEveryNode) {
    InitPositionalTables();
    int compared = 0;
    for (const std::string& fen : PerftFens()) {
        SetFen(fen);
        CastleRights = 3;
        RootMoves.clear();  // no root list: the walk makes every move itself
        compared += Walk(3, fen);
        ASSERT_EQ(Ply, 0);
        if (HasFailure()) return;
    }
    EXPECT_GT(compared, 10000);
}
