// Exact evaluation values: every term at least once.
#include "eval/evaluate.h"

#include <random>
#include <string>
#include <vector>

#include "support.h"

namespace {
struct EvalFixture : ::testing::Test {
    void SetUp() override {
        InitPositionalTables();
        MoveNumber = 10;  // past the opening rule unless a test says otherwise
    }
};
// Kings far from everything, with a pawn in front of each so the file-cover
// term stays quiet: the baseline of the hand-built positions.
std::initializer_list<Placed> Kings = {{5, "a1"}, {9, "a2"}, {20, "h8"}, {25, "h7"}};
int Baseline() {
    PlaceById(Kings);
    return Evaluate();
}
int With(std::initializer_list<Placed> extra, bool whiteToMove = true) {
    std::vector<Placed> all(Kings);
    all.insert(all.end(), extra);
    PlaceList(all, whiteToMove);
    return Evaluate();
}
}  // namespace

TEST_F(EvalFixture, StartPositionIsZeroAndE4IsMinusEightForBlack) {
    PlaceById({});
    SetInitialPosition();
    MoveNumber = 1;
    SideToMove = True;
    EXPECT_EQ(Evaluate(), 0);
    SideToMove = False;
    EXPECT_EQ(Evaluate(), 0);
    SideToMove = True;
    PlayMoveText("e2e4");
    EXPECT_EQ(Evaluate(), -8);
}

TEST_F(EvalFixture, TablesHoldTheirValues) {
    EXPECT_EQ(WhitePawnTable[1][4], 103);
    EXPECT_EQ(WhitePawnTable[3][4], 111);
    EXPECT_EQ(BlackPawnTable[6][4], 103);
    EXPECT_EQ(KnightTable[2][2], 316);
    EXPECT_EQ(KnightTable[2][3], 312);
    EXPECT_EQ(BishopTable[1][1], 315);
    EXPECT_EQ(BishopTable[6][6], 315);
    EXPECT_EQ(WhiteRookTable[6][0], 510);
    EXPECT_EQ(BlackRookTable[1][0], 510);
    EXPECT_EQ(BlackRookTable[6][0], 500);
    for (int f = 0; f < 8; ++f) EXPECT_EQ(WhitePawnTable[7][f] + WhitePawnTable[0][f] + BlackPawnTable[0][f] + BlackPawnTable[7][f], 0);
}

TEST_F(EvalFixture, PieceTermsAndSign) {
    const int base = Baseline();
    // A knight on c3: its table value, and the sign follows the side to move.
    EXPECT_EQ(With({{2, "c3"}}) - base, 316);
    EXPECT_EQ(With({{2, "c3"}}, false), -(base + 316));
    // Bishop pair: 10 besides the two table values.
    EXPECT_EQ(With({{3, "c1"}, {6, "f1"}}) - base, 307 + 307 + 10);
    // A black rook on its seventh rank (rank 2): 510 for Black.
    EXPECT_EQ(With({{17, "d2"}}) - base, -510);
    // A rook whose file meets an enemy piece first: +5.
    EXPECT_EQ(With({{8, "d1"}, {22, "d6"}}) - base, 500 + 5 - BishopTable[5][3]);
    EXPECT_EQ(With({{8, "d1"}, {12, "d3"}, {22, "d6"}}) - With({{12, "d3"}, {22, "d6"}}), 500);
    // Connected rooks on a rank, and blocked ones.
    EXPECT_EQ(With({{1, "c1"}, {8, "f1"}}) - base, 1000 + 10);
    EXPECT_EQ(With({{1, "c1"}, {8, "f1"}, {3, "d1"}}) - With({{3, "d1"}}), 1000);
}

TEST_F(EvalFixture, CastledKingAndEarlyQueen) {
    PlaceById({{5, "g1"}, {8, "f1"}, {15, "g2"}, {20, "h8"}, {25, "h7"}});
    const int castled = Evaluate();
    PlaceById({{5, "g1"}, {8, "e1"}, {15, "g2"}, {20, "h8"}, {25, "h7"}});
    EXPECT_EQ(castled - Evaluate(), 30);
    // Before move 6 a queen off its square costs 100, from move 6 on nothing.
    MoveNumber = 5;
    const int early = With({{4, "d3"}, {21, "d8"}});
    MoveNumber = 6;
    EXPECT_EQ(With({{4, "d3"}, {21, "d8"}}) - early, 100);
}

TEST_F(EvalFixture, PawnStructure) {
    // Doubled: -3 once for two on a file, -9 for three.
    const int one = With({{11, "c2"}});
    const int two = With({{11, "c2"}, {12, "c4"}});
    EXPECT_EQ(two - one, WhitePawnTable[3][2] - 3 + 5 - 5 + 0);
    const int three = With({{11, "c2"}, {12, "c4"}, {13, "c6"}});
    EXPECT_EQ(three - two, WhitePawnTable[5][2] - 6 + 5 - 5);
    // Isolated (-5) and free to advance (+5): a lone pawn on d4 is both.
    EXPECT_EQ(With({{12, "d4"}}) - Baseline(), 111 - 5 + 5);
    // Whole values with the baseline's a2 and h7 pawns (100 each, cancelling):
    // d4 against d6: the pawn in front on its own file leaves d4 its +5:
    // White 111 - 5 + 5, Black 109 with isolated (+5) and free (-5) = 2.
    EXPECT_EQ(With({{12, "d4"}, {28, "d6"}}), 2);
    // d4 against e3 (behind it): d4 free; e3 free too: 111 - 118 = -7.
    EXPECT_EQ(With({{12, "d4"}, {28, "e3"}}), -7);
    // d4 against e6 (ahead on the next file): neither is free: 106 - 109 + 5.
    EXPECT_EQ(With({{12, "d4"}, {28, "e6"}}), 2);
    EXPECT_EQ(With({{12, "d4"}, {28, "e6"}}, false), -2);
}

TEST_F(EvalFixture, PromotedPawnTakesItsKindsTableAndStillCountsAsAPawn) {
    const int base = Baseline();
    EXPECT_EQ(With({{12, "d8", PromQueen}}) - base, 1007);
    EXPECT_EQ(With({{12, "d4", PromKnight}}) - base, 320);
    EXPECT_EQ(With({{28, "d2", PromRook}}) - base, -510);
    // On b8 it is a neighbour by id of the a2 pawn, which is no longer isolated.
    EXPECT_EQ(With({{12, "b8", PromQueen}}) - base, 1007 + 5);
}

TEST_F(EvalFixture, KingFileCover) {
    PlaceById({{5, "e1"}, {13, "e2"}, {20, "h8"}, {25, "h7"}});
    const int covered = Evaluate();
    PlaceById({{5, "e1"}, {13, "d2"}, {20, "h8"}, {25, "h7"}});
    EXPECT_EQ(covered - Evaluate(), 7 + (WhitePawnTable[1][4] - WhitePawnTable[1][3]));
}

// The pawn terms are worked out on square sets; here they are counted the
// plain way, pawn by pawn, on random pawn structures (doubled and tripled
// files, neighbours, promoted pawn ids that count on their file without
// being scored), with the kings on a1 and h8 and the table values added.
TEST_F(EvalFixture, PawnTermsMatchAPawnByPawnCount) {
    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        int at[33][2] = {};  // [id] = {rank, file}, rank 0 when absent
        bool taken[9][9] = {};
        taken[1][1] = taken[8][8] = true;
        std::vector<Placed> pieces = {{5, "a1"}, {20, "h8"}};
        std::vector<std::string> names;
        names.reserve(16);
        std::vector<int> kinds(33, 0);
        for (int id : {9, 10, 11, 12, 13, 14, 15, 16, 25, 26, 27, 28, 29, 30, 31, 32}) {
            if (rng() % 5 == 0) continue;
            int r, f;
            do {
                r = 2 + static_cast<int>(rng() % 6);
                f = 1 + static_cast<int>(rng() % (round % 2 ? 3 : 8));  // odd rounds crowd three files
            } while (taken[r][f]);
            taken[r][f] = true;
            at[id][0] = r;
            at[id][1] = f;
            kinds[id] = rng() % 10 == 0 ? PromKnight : 0;
            names.push_back(std::string{static_cast<char>('a' + f - 1), static_cast<char>('0' + r)});
        }
        size_t k = 0;
        for (int id = 1; id <= 32; ++id)
            if (at[id][0] != 0) pieces.push_back({id, names[k++].c_str(), kinds[id]});
        PlaceList(pieces, true);
        int expected = 0;
        for (int id = 1; id <= 32; ++id) {
            if (at[id][0] == 0) continue;
            const bool white = id <= 16;
            const int r = at[id][0], f = at[id][1], sign = white ? 1 : -1;
            const int16_t(*table)[8] = kinds[id] == PromKnight ? KnightTable : white ? WhitePawnTable : BlackPawnTable;
            expected += sign * table[r - 1][f - 1];
            if (kinds[id] != 0) continue;
            int term = 0, neighbours = 0;
            bool enemyAhead = false;
            for (int other = 1; other <= 32; ++other) {
                if (at[other][0] == 0 || other == id) continue;
                const bool same = (other <= 16) == white;
                const int orank = at[other][0], ofile = at[other][1];
                if (same && ofile == f && orank > r) term -= 3;
                if (same && (ofile == f - 1 || ofile == f + 1)) ++neighbours;
                if (!same && (ofile == f - 1 || ofile == f + 1) && (white ? orank > r : orank < r)) enemyAhead = true;
            }
            if (neighbours == 0) term -= 5;
            if (!enemyAhead) term += 5;
            expected += sign * term;
        }
        // No own pawn id on the king's file in front of it: -7.
        bool coverA = false, coverH = false;
        for (int id = 9; id <= 16; ++id) coverA |= at[id][0] != 0 && at[id][1] == 1;
        for (int id = 25; id <= 32; ++id) coverH |= at[id][0] != 0 && at[id][1] == 8;
        expected += (coverA ? 0 : -7) - (coverH ? 0 : -7);
        ASSERT_EQ(Evaluate(), expected) << "round " << round;
    }
}
