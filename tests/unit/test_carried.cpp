// The check test and the evaluation start from what is known of the ply before,
// and the search's lists write their quiet moves only when reached. At every
// node of small trees from the perft positions they must agree with the full
// routines on the same slices as the game position (where nothing is known),
// and the lists with the plain generation.
#include <fstream>

#include "eval/evaluate.h"
#include "rules/scacco.h"
#include "search/reference.h"
#include "support.h"

namespace {

// Slice 0 is what the full routines read: its four arrays, swapped with ply q's.
void SwapSlices(int q) {
    std::swap(Board[0], Board[q]);
    std::swap(PieceRank[0], PieceRank[q]);
    std::swap(PieceFile[0], PieceFile[q]);
    std::swap(PromotedKind[0], PromotedKind[q]);
}

// The search's list with its quiet moves written when reached, the full
// list, and the plain generation with the literal exchange sort.
enum class Way { Deferred,
                 Full,
                 Plain };

// Whole records, entry 1 first, taken from the top as the search takes them
// (a deferred list writing each record when reached).
std::vector<uint64_t> List(Way way) {
    std::vector<uint64_t> list;
    if (way == Way::Deferred)
        GenerateMovesDeferred();
    else if (way == Way::Full)
        GenerateMoves();
    else
        PlainGenerateMoves();
    for (; MoveCount[Ply] > 0; PopMove()) {
        if (way == Way::Deferred) WriteTopMove();
        uint64_t bits;
        std::memcpy(&bits, &MoveList[Ply][MoveCount[Ply]], sizeof bits);
        list.insert(list.begin(), bits);
    }
    return list;
}

int RefusedOutside = 0;  // moves outside the evasion squares tried by Walk

// Walks every legal line to depth, as the search makes them, and compares
// at every node below the first ply. Returns the number of nodes compared.
int Walk(int depth, const std::string& fen) {
    int compared = 0;
    if (Ply >= 1) {
        const std::string at = fen + " at ply " + std::to_string(Ply);
        const bool inCheck = SideToMoveInCheck() != 0;
        const int16_t score = Evaluate();
        const int16_t ply = Ply;
        SwapSlices(ply);
        Ply = 0;
        EXPECT_EQ(inCheck, SideToMoveInCheck() != 0) << at;
        EXPECT_EQ(score, Evaluate()) << at;
        SwapSlices(Ply = ply);
        const std::vector<uint64_t> full = List(Way::Full);
        EXPECT_EQ(List(Way::Deferred), full) << at;
        EXPECT_EQ(List(Way::Plain), full) << at;
        // The bounded evaluation falls on the exact value's side of its window, and is exact inside it.
        for (const int from : {-300, -68, -67, -1, 0, 1, 66, 67, 200}) {
            const int32_t low = score + from, high = low + (from == 0 ? 1 : 90);
            const int16_t within = EvaluateWithin(low, high);
            EXPECT_EQ(std::pair(within <= low, within >= high), std::pair(score <= low, score >= high)) << at << " window " << low;
            if (score > low && score < high) { EXPECT_EQ(within, score) << at; }
        }
        // In check, the move maker refuses every move of another piece outside the evasion squares.
        if (inCheck) {
            const uint64_t evasions = CheckEvasionSquares();
            const uint8_t king = SideToMove ? WhiteKing : BlackKing;
            std::memcpy(PromotedKind[Ply + 1], PromotedKind[Ply], 32);
            for (GenerateMoves(); MoveCount[Ply] > 0; PopMove()) {
                const MoveRecord m = MoveList[Ply][MoveCount[Ply]];
                const bool outside = m.Piece != king && ((evasions >> TargetOf(m, Ply)) & 1) == 0;
                const bool legal = MakeMove() != False;
                if (outside) {
                    EXPECT_FALSE(legal) << at << ": " << MoveText(m);
                    ++RefusedOutside;
                }
            }
            std::memset(PromotedKind[Ply + 1], 0, 32);
        }
        ++compared;
    }
    if (Ply >= depth) return compared;
    std::memcpy(PromotedKind[Ply + 1], PromotedKind[Ply], 32);
    for (GenerateMoves(); MoveCount[Ply] > 0; PopMove()) {
        if (!MakeMove()) continue;
        EnterPly();
        VELMOR_ASSERT_POSITION(Ply, "walk");
        compared += Walk(depth, fen);
        LeavePly();
    }
    std::memset(PromotedKind[Ply + 1], 0, 32);
    return compared;
}

}  // namespace

TEST(CarriedFacts, AgreeWithTheFullRoutinesAtEveryNode) {
    InitPositionalTables();
    int compared = 0;
    std::ifstream in(std::string(VELMOR_TEST_DATA) + "/perft.epd");
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const std::string fen = line.substr(0, line.find(';'));
        SetFen(fen);
        RootMoves.clear();  // no root list: the walk makes every move itself
        compared += Walk(3, fen);
        ASSERT_EQ(Ply, 0);
        if (HasFailure()) return;
    }
    EXPECT_GT(compared, 10000);
    EXPECT_GT(RefusedOutside, 1000);
}

// The lists the deferred form leaves to the full generation: more moves
// than a list holds (the full list stops at its size and writes nothing
// past it), and no quiet move at all.
TEST(CarriedFacts, DeferredListsFallBackToTheFullList) {
    PlaceList({{5, "a1"}, {20, "h8"}, {4, "d1"}, {9, "a4", PromQueen}, {10, "b6", PromQueen}, {11, "c3", PromQueen}, {12, "e5", PromQueen}, {13, "f2", PromQueen}, {14, "g4", PromQueen}, {15, "h2", PromQueen}, {16, "d7", PromQueen}});
    AtPlyOne();
    EXPECT_EQ(List(Way::Deferred).size(), static_cast<size_t>(MaxMovesPerPly));
    EXPECT_EQ(List(Way::Deferred), List(Way::Full));
    EXPECT_TRUE(MoveList[1][0].Piece == 0 && MoveList[2][0].Piece == 0);  // nor before or past it
    // A king boxed in by three knights it may take.
    PlaceList({{5, "a1"}, {18, "a2"}, {23, "b1"}, {19, "b2"}, {20, "h8"}});
    AtPlyOne();
    EXPECT_EQ(List(Way::Deferred).size(), 3u);
    EXPECT_EQ(List(Way::Deferred), List(Way::Full));
    Ply = 0;
}
