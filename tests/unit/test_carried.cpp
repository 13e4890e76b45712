// The check test at the horizon and the evaluation start from what is known
// of the ply before (its king attacks, its table sum and pawn facts), and
// the search's move lists write their quiet moves only when reached. At
// every node of small trees from the perft positions, what they say must
// equal what the full routines say of the same slice set up as the game
// position, where nothing is known, and the deferred list must be the full
// list record for record; the evaluation that needs only the side of a
// window it falls on must fall on the exact value's side.
#include <fstream>
#include <sstream>

#include "eval/evaluate.h"
#include "rules/makemove.h"
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

std::string Text(const MoveRecord& m) {
    return std::to_string(m.Piece) + "/" + std::to_string(m.MoveCode) + "/" + std::to_string(m.Captured) + "/" +
           std::to_string(m.Promotion) + "/" + std::to_string(m.Score);
}

// The current ply's deferred list taken from the top as the search takes
// it, each record written when reached; entry 1 first.
std::vector<std::string> DeferredList() {
    GenerateMovesDeferred();
    std::vector<std::string> list;
    while (MoveCount[Ply] > 0) {
        WriteTopMove();
        list.insert(list.begin(), Text(MoveList[Ply][MoveCount[Ply]]));
        PopMove();
    }
    return list;
}

std::vector<std::string> FullList() {
    GenerateMoves();
    std::vector<std::string> list;
    for (const MoveRecord& m : ListOfPly()) list.push_back(Text(m));
    ClearList();
    return list;
}

int RefusedOutside = 0;  // moves outside the evasion squares tried by Walk

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
        EXPECT_EQ(DeferredList(), FullList()) << fen << " at ply " << Ply;
        // The bounded evaluation falls on the same side of every window as
        // the exact one, and is exact inside it.
        for (const int from : {-300, -68, -67, -1, 0, 1, 66, 67, 200}) {
            const int32_t low = score + from, high = low + (from == 0 ? 1 : 90);
            const int16_t within = EvaluateWithin(low, high);
            EXPECT_EQ(within <= low, score <= low) << fen << " at ply " << Ply << " window " << low << ".." << high;
            EXPECT_EQ(within >= high, score >= high) << fen << " at ply " << Ply << " window " << low << ".." << high;
            if (score > low && score < high) {
                EXPECT_EQ(within, score) << fen << " at ply " << Ply;
            }
        }
        // In check, every move of another piece to a square outside the
        // evasion squares is refused by the move maker.
        if (inCheck) {
            const uint64_t evasions = CheckEvasionSquares();
            const uint8_t king = SideToMove ? WhiteKing : BlackKing;
            std::memcpy(PromotedKind[Ply + 1], PromotedKind[Ply], 32);
            GenerateMoves();
            while (MoveCount[Ply] > 0) {
                const MoveRecord m = MoveList[Ply][MoveCount[Ply]];
                const bool outside = m.Piece != king && ((evasions >> TargetOf(m, Ply)) & 1) == 0;
                const bool legal = MakeMove() != False;
                if (outside) {
                    EXPECT_FALSE(legal) << fen << " at ply " << Ply << ": " << Text(m);
                    ++RefusedOutside;
                }
                PopMove();
            }
            std::memset(PromotedKind[Ply + 1], 0, 32);
        }
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
    EXPECT_GT(RefusedOutside, 1000);
}

// The lists the deferred form leaves to the full generation: more moves
// than a list holds, and no quiet move at all.
TEST(CarriedFacts, DeferredListsFallBackToTheFullList) {
    const auto atPlyOne = [] {
        Ply = 1;
        std::memcpy(Board[1], Board[0], 64);
        std::memcpy(PieceFile[1], PieceFile[0], 32);
        std::memcpy(PieceRank[1], PieceRank[0], 32);
        std::memcpy(PromotedKind[1], PromotedKind[0], 32);
        SideToMove = True;
    };
    PlaceById({{5, "a1"}, {20, "h8"}, {4, "d1"}, {9, "a4", PromQueen}, {10, "b6", PromQueen}, {11, "c3", PromQueen},
               {12, "e5", PromQueen}, {13, "f2", PromQueen}, {14, "g4", PromQueen}, {15, "h2", PromQueen}, {16, "d7", PromQueen}});
    atPlyOne();
    std::vector<std::string> deferred = DeferredList();
    EXPECT_EQ(deferred.size(), static_cast<size_t>(MaxMovesPerPly));
    EXPECT_EQ(deferred, FullList());
    // A king boxed in by three knights it may take.
    PlaceById({{5, "a1"}, {18, "a2"}, {23, "b1"}, {19, "b2"}, {20, "h8"}});
    atPlyOne();
    deferred = DeferredList();
    EXPECT_EQ(deferred.size(), 3u);
    EXPECT_EQ(deferred, FullList());
    Ply = 0;
}
