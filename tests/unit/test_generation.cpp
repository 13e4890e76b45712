// Generation order, codes and the exchange sort: the order moves are
// appended in decides what the search plays, so it is pinned down here.
#include <algorithm>

#include "support.h"

namespace {

std::vector<MoveRecord> GenerateFor(const char* square) {
    ClearList();
    GeneratePieceMoves(static_cast<uint8_t>(square[1] - '0'), static_cast<uint8_t>(square[0] - 'a' + 1));
    std::vector<MoveRecord> moves = ListOfPly();
    ClearList();
    return moves;
}

}  // namespace

TEST(Generation, RookOnA1WalksFilePlusThenRankPlus) {
    PlaceById({{1, "a1"}, {5, "h3"}, {20, "h6"}});
    auto moves = GenerateFor("a1");
    std::vector<int> expected = {29, 30, 31, 32, 33, 34, 35, 15, 16, 17, 18, 19, 20, 21};
    EXPECT_EQ(Codes(moves), expected);
    for (const MoveRecord& m : moves) {
        EXPECT_EQ(m.Piece, 1);
        EXPECT_EQ(m.Captured, 0);
        EXPECT_EQ(m.Score, 0);
    }
}

TEST(Generation, QueenRaysStopAtCaptureAndBeforeOwnPiece) {
    PlaceById({{4, "d4"}, {30, "d6"}, {13, "f6"}, {5, "a1"}, {20, "h8"}});
    auto moves = GenerateFor("d4");
    // Rook rays first: file - 1 (c4, b4, a4), file + 1 (e4..h4), rank + 1 (d5, capture d6).
    std::vector<int> head = {1, 2, 3, 29, 30, 31, 32, 15, 16};
    auto codes = Codes(moves);
    ASSERT_GE(codes.size(), head.size());
    EXPECT_EQ(std::vector<int>(codes.begin(), codes.begin() + 9), head);
    EXPECT_EQ(moves[8].Captured, 30);
    EXPECT_EQ(moves[8].Score, 30);
    // The bishop ray up-right gives e5 (code 22) and stops before f6.
    EXPECT_NE(std::find(codes.begin(), codes.end(), 22), codes.end());
    EXPECT_EQ(std::find(codes.begin(), codes.end(), 23), codes.end());
}

TEST(Generation, PawnOnSeventhPromotesFourWaysPushFirstThenCaptures) {
    PlaceById({{13, "e7"}, {21, "d8"}, {19, "f8"}, {5, "a1"}, {20, "h5"}});
    auto moves = GenerateFor("e7");
    ASSERT_EQ(moves.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(moves[i].Promotion, i % 4 + 1) << i;
        EXPECT_EQ(moves[i].MoveCode, i < 4 ? 15 : i < 8 ? 22 : 8) << i;
        EXPECT_EQ(moves[i].Captured, i < 4 ? 0 : i < 8 ? 19 : 21) << i;
    }
    EXPECT_EQ(moves[4].Score, 19 + 1);  // capture of 19 promoting to a queen
    EXPECT_EQ(moves[3].Score, 4);       // quiet knight promotion
}

TEST(Generation, PawnStepsAndBlockedPawns) {
    PlaceById({{13, "e2"}, {30, "e4"}, {5, "a1"}, {20, "h8"}});
    EXPECT_EQ(Codes(GenerateFor("e2")), std::vector<int>{15});
    PlaceById({{13, "e2"}, {30, "e3"}, {5, "a1"}, {20, "h8"}});
    EXPECT_TRUE(GenerateFor("e2").empty());
    PlaceById({{13, "e2"}, {5, "a1"}, {20, "h8"}});
    EXPECT_EQ(Codes(GenerateFor("e2")), (std::vector<int>{16, 15}));
    // Black mirrors: double step 44, single 43, captures 36 (file + 1) then 50.
    PlaceById({{28, "e7"}, {10, "f6"}, {11, "d6"}, {5, "a1"}, {20, "h8"}}, false);
    EXPECT_EQ(Codes(GenerateFor("e7")), (std::vector<int>{44, 43, 36, 50}));
}

TEST(Generation, NoEnPassantAndNothingPastTheLastRank) {
    // d5 beside a black pawn that just made its double step to e5: no move to e6.
    PlaceById({{12, "d5"}, {28, "e5"}, {30, "d6"}, {5, "a1"}, {20, "h8"}});
    EXPECT_TRUE(GenerateFor("d5").empty());
    // A pawn left on its last rank without a promotion letter has no moves.
    PlaceById({{12, "d8"}, {5, "a1"}, {20, "h6"}});
    EXPECT_TRUE(GenerateFor("d8").empty());
}

TEST(Generation, PromotedPawnMovesAsItsKindUnderItsOwnId) {
    PlaceById({{11, "c1", PromBishop}, {5, "a1"}, {20, "h8"}});
    auto asPawn = GenerateFor("c1");
    PlaceById({{3, "c1"}, {5, "a1"}, {20, "h8"}});
    auto asBishop = GenerateFor("c1");
    EXPECT_EQ(Codes(asPawn), Codes(asBishop));
    for (const MoveRecord& m : asPawn) {
        EXPECT_EQ(m.Piece, 11);
        EXPECT_EQ(m.Promotion, 0);
    }
}

TEST(Generation, CastlingAfterKingStepsAndOnlyWithRights) {
    PlaceById({{5, "e1"}, {8, "h1"}, {1, "a1"}, {20, "e8"}});
    auto moves = GenerateFor("e1");
    auto codes = Codes(moves);
    EXPECT_EQ(codes, (std::vector<int>{1, 8, 15, 22, 29, 30, 2}));
    for (int rights : {0, 2}) {
        CastleRights = static_cast<int16_t>(rights);
        codes = Codes(GenerateFor("e1"));
        EXPECT_EQ(std::count(codes.begin(), codes.end(), 30), 0) << rights;
    }
    // The game's own rights for White are needed too.
    CastleRights = 3;
    GameCastle[0] = 2;
    codes = Codes(GenerateFor("e1"));
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 30), 0);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 2), 1);
    // A rook on h1 under another id never castles.
    PlaceById({{5, "e1"}, {1, "h1"}, {20, "e8"}});
    codes = Codes(GenerateFor("e1"));
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 30), 0);
}

TEST(Generation, ExchangeSortLeavesEqualKeysInItsOwnPattern) {
    PlaceById({{5, "e1"}, {20, "e8"}});
    const int scores[4] = {0, 17, 0, 25};
    for (int i = 0; i < 4; ++i) MoveList[0][i + 1] = MoveRecord{static_cast<uint8_t>(i + 1), 1, 0, 0, scores[i]};
    MoveCount[0] = 4;
    SortMoveList();
    // A, C, B, D: the search then tries D, B, C, A.
    std::vector<int> order;
    for (int i = 1; i <= 4; ++i) order.push_back(MoveList[0][i].Piece);
    EXPECT_EQ(order, (std::vector<int>{1, 3, 2, 4}));
    ClearList();
}

TEST(Generation, StartPositionListRunsFromKnightToLastPawn) {
    PlaceById({});
    SetInitialPosition();
    SideToMove = True;
    GenerateMoves();
    auto moves = ListOfPly();
    ASSERT_EQ(moves.size(), 20u);
    EXPECT_EQ(moves.front().Piece, 2);
    EXPECT_EQ(moves.back().Piece, 16);
    EXPECT_EQ(moves.back().MoveCode, 15);
    EXPECT_EQ(RootMoves.size(), 21u);
    EXPECT_EQ(RootMoves[1].Score, (SearchDepth + 1) * -1000000);
    ClearList();
}

TEST(Generation, OffBoardPiecesWithStaleRanksAreSkipped) {
    PlaceById({{20, "e8"}, {5, "e1"}}, false);
    RankOf(21, 0) = 4;  // a captured queen keeps an old rank
    GenerateMoves();
    for (const MoveRecord& m : ListOfPly()) EXPECT_EQ(m.Piece, 20);
    ClearList();
}

TEST(Generation, AFullListRefusesFurtherMovesAndStaysWithinItsSize) {
    // Nine queens' worth of promoted pawns: far more than 100 pseudo-legal moves.
    PlaceById({{5, "a1"}, {20, "h8"}, {4, "d1"}, {9, "a4", PromQueen}, {10, "b6", PromQueen}, {11, "c3", PromQueen},
               {12, "e5", PromQueen}, {13, "f2", PromQueen}, {14, "g4", PromQueen}, {15, "h2", PromQueen}, {16, "d7", PromQueen}});
    Ply = 1;  // away from the root, as in the search
    std::memcpy(Board[1], Board[0], 64);
    std::memcpy(PieceFile[1], PieceFile[0], 32);
    std::memcpy(PieceRank[1], PieceRank[0], 32);
    std::memcpy(PromotedKind[1], PromotedKind[0], 32);
    SideToMove = True;
    GenerateMoves();
    EXPECT_EQ(MoveCount[1], MaxMovesPerPly);
    EXPECT_EQ(MoveList[1][0].Piece, 0);
    ClearList();
    Ply = 0;
}
