// Exact evaluation values: every term at least once, and the pawn terms
// counted pawn by pawn on random structures.
#include "eval/evaluate.h"

#include <cstdlib>
#include <random>

#include "support.h"

namespace {
struct EvalFixture : ::testing::Test {
    void SetUp() override { InitPositionalTables(), MoveNumber = 10; }  // past the opening rule unless told
};
int Eval(const std::vector<Placed>& pieces, bool whiteToMove = true) {
    PlaceList(pieces, whiteToMove);
    return Evaluate();
}
// Added to kings far from everything, each with a pawn in front (the file-cover term quiet).
int With(std::vector<Placed> extra, bool whiteToMove = true) {
    extra.insert(extra.end(), {{5, "a1"}, {9, "a2"}, {20, "h8"}, {25, "h7"}});
    return Eval(extra, whiteToMove);
}
}  // namespace

TEST_F(EvalFixture, PieceTermsAndSign) {
    const struct {
        std::vector<Placed> with, without;
        int difference;
    } cases[] = {
        {{{2, "c3"}}, {}, 316},                        // a knight's table value
        {{{3, "c1"}, {6, "f1"}}, {}, 307 + 307 + 10},  // the bishop pair
        {{{17, "d2"}}, {}, -510},                      // a black rook on its seventh rank
        {{{8, "d1"}, {22, "d6"}}, {{22, "d6"}}, 505},  // a rook whose file meets an enemy piece first
        {{{8, "d1"}, {12, "d3"}, {22, "d6"}}, {{12, "d3"}, {22, "d6"}}, 500},
        {{{1, "c1"}, {8, "f1"}}, {}, 1000 + 10},  // connected rooks on a rank
        {{{1, "c1"}, {8, "f1"}, {3, "d1"}}, {{3, "d1"}}, 1000},
        // A promoted pawn takes its kind's table and still counts as a pawn:
        // on b8 it is a neighbour by id of the a2 pawn, no longer isolated.
        {{{12, "d8", PromQueen}}, {}, 1007},
        {{{12, "d4", PromKnight}}, {}, 320},
        {{{28, "d2", PromRook}}, {}, -510},
        {{{12, "b8", PromQueen}}, {}, 1007 + 5},
    };
    for (const auto& c : cases) EXPECT_EQ(With(c.with) - With(c.without), c.difference) << c.with[0].square;
    EXPECT_EQ(With({{2, "c3"}}, false), -With({{2, "c3"}}));  // the sign follows the side to move
}

TEST_F(EvalFixture, KingTermsAndEarlyQueen) {
    // A castled king with its rook beside it: 30; no own pawn on the king's file in front of it: -7.
    EXPECT_EQ(Eval({{5, "g1"}, {8, "f1"}, {15, "g2"}, {20, "h8"}, {25, "h7"}}) -
                  Eval({{5, "g1"}, {8, "e1"}, {15, "g2"}, {20, "h8"}, {25, "h7"}}),
              30);
    EXPECT_EQ(Eval({{5, "e1"}, {13, "e2"}, {20, "h8"}, {25, "h7"}}) - Eval({{5, "e1"}, {13, "d2"}, {20, "h8"}, {25, "h7"}}),
              7 + (WhitePawnTable[1][4] - WhitePawnTable[1][3]));
    // Before move 6 a queen off its square costs 100, from move 6 on nothing.
    MoveNumber = 5;
    const int early = With({{4, "d3"}, {21, "d8"}});
    MoveNumber = 6;
    EXPECT_EQ(With({{4, "d3"}, {21, "d8"}}) - early, 100);
}

// The pawn terms are worked out on square sets; here they are counted the
// plain way, pawn by pawn, on random pawn structures (doubled and tripled
// files, neighbours, promoted pawn ids that count on their file without
// being scored), with the kings on a1 and h8 and the table values added.
TEST_F(EvalFixture, PawnTermsMatchAPawnByPawnCount) {
    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        int rank[33] = {}, file[33] = {}, kind[33] = {};  // rank 0 when absent
        bool taken[9][9] = {};
        taken[1][1] = taken[8][8] = true;
        std::vector<Placed> pieces = {{5, "a1"}, {20, "h8"}};
        std::string names[33];
        for (int id : {9, 10, 11, 12, 13, 14, 15, 16, 25, 26, 27, 28, 29, 30, 31, 32}) {
            if (rng() % 5 == 0) continue;
            int &r = rank[id], &f = file[id];
            do {
                r = 2 + static_cast<int>(rng() % 6);
                f = 1 + static_cast<int>(rng() % (round % 2 ? 3 : 8));  // odd rounds crowd three files
            } while (taken[r][f]);
            taken[r][f] = true;
            kind[id] = rng() % 10 == 0 ? PromKnight : 0;
            names[id] = {static_cast<char>('a' + f - 1), static_cast<char>('0' + r)};
            pieces.push_back({id, names[id].c_str(), kind[id]});
        }
        PlaceList(pieces);
        int expected = 0;
        bool cover[2] = {};  // an own pawn id on the king's file, a for White, h for Black
        for (int id = 9; id <= 32; ++id) {
            if (rank[id] == 0) continue;
            const bool white = id <= 16;
            const int r = rank[id], f = file[id], sign = white ? 1 : -1;
            cover[!white] |= f == (white ? 1 : 8);
            const int16_t(*table)[8] = kind[id] ? KnightTable : white ? WhitePawnTable
                                                                      : BlackPawnTable;
            expected += sign * table[r - 1][f - 1];
            if (kind[id]) continue;
            int term = 0, neighbours = 0;
            bool enemyAhead = false;
            for (int o = 9; o <= 32; ++o) {
                if (rank[o] == 0 || o == id) continue;
                const bool same = (o <= 16) == white;
                if (same && file[o] == f && rank[o] > r) term -= 3;  // doubled
                neighbours += same && std::abs(file[o] - f) == 1;
                enemyAhead |= !same && std::abs(file[o] - f) == 1 && (white ? rank[o] > r : rank[o] < r);
            }
            expected += sign * (term - (neighbours ? 0 : 5) + (enemyAhead ? 0 : 5));  // isolated, free
        }
        expected += (cover[0] ? 0 : -7) - (cover[1] ? 0 : -7);  // no own pawn id in front of the king
        ASSERT_EQ(Evaluate(), expected) << "round " << round;
    }
}
