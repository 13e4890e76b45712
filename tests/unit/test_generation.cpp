// Generation order and codes: the order moves are appended in decides what
// the search plays, so it is pinned down here.
#include <algorithm>

#include "support.h"

namespace {
std::vector<MoveRecord> GenerateFor(const std::vector<Placed>& pieces, const char* from, bool white = true, int rights = 3, int game = 3) {
    PlaceList(pieces, white);
    CastleRights = static_cast<int16_t>(rights);
    GameCastle[0] = static_cast<int16_t>(game);
    GeneratePieceMoves(static_cast<uint8_t>(from[1] - '0'), static_cast<uint8_t>(from[0] - 'a' + 1));
    const std::vector<MoveRecord> moves = ListOfPly();
    ClearList();
    return moves;
}
std::vector<int> Codes(const std::vector<MoveRecord>& moves) {
    std::vector<int> codes;
    for (const MoveRecord& m : moves) codes.push_back(m.MoveCode);
    return codes;
}
}  // namespace

TEST(Generation, OrderOfEachPiecesMoves) {
    const struct {
        std::vector<Placed> pieces;
        bool white;
        std::vector<int> codes;
    } cases[] = {
        // A rook walks file + 1, then rank + 1; a queen its rook rays, then its
        // bishop rays, each ending on a capture (d6) or before its own piece (f6).
        {{{1, "a1"}, {5, "h3"}, {20, "h6"}}, true, {29, 30, 31, 32, 33, 34, 35, 15, 16, 17, 18, 19, 20, 21}},
        {{{4, "d4"}, {30, "d6"}, {13, "f6"}, {5, "a1"}, {20, "h8"}}, true, {1, 2, 3, 29, 30, 31, 32, 15, 16, 43, 44, 45, 8, 9, 10, 22, 36, 37, 38, 50, 51}},
        // Pawns: double step before single, blocked steps, captures file + 1 first.
        {{{13, "e2"}, {5, "a1"}, {20, "h8"}}, true, {16, 15}},
        {{{13, "e2"}, {30, "e4"}, {5, "a1"}, {20, "h8"}}, true, {15}},
        {{{13, "e2"}, {30, "e3"}, {5, "a1"}, {20, "h8"}}, true, {}},
        {{{28, "e7"}, {10, "f6"}, {11, "d6"}, {5, "a1"}, {20, "h8"}}, false, {44, 43, 36, 50}},
        // No en passant beside a pawn that just made its double step, and
        // nothing for a pawn left on its last rank without a promotion.
        {{{12, "d5"}, {28, "e5"}, {30, "d6"}, {5, "a1"}, {20, "h8"}}, true, {}},
        {{{12, "d8"}, {5, "a1"}, {20, "h6"}}, true, {}},
        // The king's steps, then castling king side, then queen side.
        {{{5, "e1"}, {8, "h1"}, {1, "a1"}, {20, "e8"}}, true, {1, 8, 15, 22, 29, 30, 2}},
    };
    for (const auto& c : cases) EXPECT_EQ(Codes(GenerateFor(c.pieces, c.pieces[0].square, c.white)), c.codes) << c.pieces[0].square;
    const std::vector<MoveRecord> queen = GenerateFor(cases[1].pieces, "d4");
    EXPECT_TRUE(queen[8].Captured == 30 && queen[8].Score == 30);
}

TEST(Generation, PromotionsFourWaysPushFirstThenCaptures) {
    const std::vector<MoveRecord> moves = GenerateFor({{13, "e7"}, {21, "d8"}, {19, "f8"}, {5, "a1"}, {20, "h5"}}, "e7");
    ASSERT_EQ(moves.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(moves[i].Promotion, i % 4 + 1) << i;
        EXPECT_EQ(moves[i].MoveCode, i < 4 ? 15 : i < 8 ? 22
                                                        : 8)
            << i;
        EXPECT_EQ(moves[i].Captured, i < 4 ? 0 : i < 8 ? 19
                                                       : 21)
            << i;
        EXPECT_EQ(moves[i].Score, moves[i].Captured + moves[i].Promotion) << i;
    }
}

TEST(Generation, CastlingNeedsEveryRightAndTheCornerRooksId) {
    // The engine's rights (1 king side, 2 queen side), then the game's; a
    // rook on h1 under another id never castles.
    const auto sides = [](const std::vector<Placed>& pieces, int rights, int game) {
        const std::vector<int> codes = Codes(GenerateFor(pieces, "e1", true, rights, game));
        return std::count(codes.begin(), codes.end(), 30) + 2 * std::count(codes.begin(), codes.end(), 2);
    };
    const std::vector<Placed> home = {{5, "e1"}, {8, "h1"}, {1, "a1"}, {20, "e8"}};
    for (const auto& [rights, game, both] : {std::tuple{0, 3, 0}, {1, 3, 1}, {2, 3, 2}, {3, 2, 2}, {3, 1, 1}})
        EXPECT_EQ(sides(home, rights, game), both) << rights << game;
    EXPECT_EQ(sides({{5, "e1"}, {1, "h1"}, {20, "e8"}}, 3, 3), 0);
}
