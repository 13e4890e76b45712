// Positions no interface should produce but that moves played without a
// legality test can reach: the engine must keep its position sound in them.
#include <algorithm>

#include "position/gamehistory.h"
#include "support.h"

namespace {

// Every id on the board once, its coordinates pointing back, both kings there.
void ExpectSound(int ply = 0) {
    const char* fault = PositionInvariantFault(ply);
    EXPECT_STREQ(fault, "") << "ply " << ply;
}

TEST(StrangePositions, NoCaptureOfAKingIsGenerated) {
    // White to move with Black's king attacked by the queen on h5, by a rook,
    // a knight, a pawn and the white king's neighbour: none may take it.
    PlaceById({{5, "e1"}, {20, "e8"}, {4, "h5"}}, true);
    GenerateMoves();
    for (const MoveRecord& m : ListOfPly()) EXPECT_NE(m.Captured, BlackKing) << MoveToText(m.Piece, m.MoveCode);
    ClearList();
    PlaceById({{5, "a1"}, {20, "e8"}, {1, "e2"}, {2, "f6"}, {13, "f7"}, {16, "d7", PromKnight}}, true);
    GenerateMoves();
    EXPECT_GT(MoveCount[0], 0);
    for (const MoveRecord& m : ListOfPly()) EXPECT_NE(m.Captured, BlackKing) << MoveToText(m.Piece, m.MoveCode);
    ClearList();
    // And Black to move next to White's king.
    PlaceById({{5, "e1"}, {20, "e2"}, {21, "a5"}}, false);
    GenerateMoves();
    for (const MoveRecord& m : ListOfPly()) EXPECT_NE(m.Captured, WhiteKing) << MoveToText(m.Piece, m.MoveCode);
    ClearList();
}

TEST(StrangePositions, SearchAndPerftStaySoundWhenAKingHangs) {
    // After 1.e4 f6 2.Qh5+ a6 (Black ignored the check) White is to move.
    SetInitialPosition();
    SideToMove = True;
    for (const char* m : {"e2e4", "f7f6", "d1h5", "a7a6"}) PlayMoveText(m);
    ExpectSound();
    const std::vector<std::string> legal = LegalMoves();
    EXPECT_EQ(std::count(legal.begin(), legal.end(), "h5e8"), 0);
    EXPECT_FALSE(legal.empty());
    // A two-ply think: every slice it makes stays sound (checked inside
    // MakeMove in the debug and sanitizer builds), and it plays a legal move.
    UseTime = False;
    BookEnabled = False;
    Window.DepthText = [] { return 2; };
    Analizza();
    Window.DepthText = nullptr;
    EXPECT_EQ(Ply, 0);
    for (int p = 0; p <= MaxPly; ++p) EXPECT_EQ(MoveCount[p], 0);
    EXPECT_NE(std::count(legal.begin(), legal.end(), BestMoveText), 0) << BestMoveText;
    ExpectSound();
}

TEST(StrangeMoveTexts, AMoveToItsOwnSquareIsNotPlayable) {
    SetInitialPosition();
    SideToMove = True;
    std::string why;
    EXPECT_FALSE(MoveTextPlayable("e2e2", &why));
    EXPECT_FALSE(why.empty());
    PlayMoveText("e2e2");
    PlayMoveText("e1e1");
    ExpectSound();
    EXPECT_EQ(Sq(2, 5, 0), 13);
    EXPECT_EQ(Sq(1, 5, 0), 5);
    EXPECT_TRUE(SideToMove);
}

TEST(StrangeMoveTexts, CastlingOntoAnOccupiedSquareLeavesTheRook) {
    // e8g8 and e1g1 with the bishops and knights still at home: the king
    // takes the knight, the rook stays because its square is not free.
    SetInitialPosition();
    SideToMove = True;
    for (const char* m : {"e2e4", "e8g8", "e1g1"}) PlayMoveText(m);
    ExpectSound();
    EXPECT_EQ(Sq(8, 6, 0), 19);
    EXPECT_EQ(Sq(8, 8, 0), 17);
    EXPECT_EQ(Sq(1, 6, 0), 6);
    EXPECT_EQ(Sq(1, 8, 0), 8);
    EXPECT_EQ(Sq(1, 7, 0), 5);
    // With the square free the rook moves as in castling.
    SetInitialPosition();
    SideToMove = True;
    for (const char* m : {"e2e4", "e7e5", "g1f3", "g8f6", "f1c4", "f8c5", "e1g1", "e8g8"}) PlayMoveText(m);
    ExpectSound();
    EXPECT_EQ(Sq(1, 6, 0), 8);
    EXPECT_EQ(Sq(8, 6, 0), 17);
}

TEST(Takebacks, ALongGameIsTakenBackToItsStart) {
    SetInitialPosition();
    SideToMove = True;
    const char* tour[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    for (int i = 0; i < 4000; ++i) {
        PushGameSnapshot();
        MoveHistory += tour[i % 4];
        PlayMoveText(tour[i % 4]);
    }
    EXPECT_EQ(MoveHistory.size(), 16000u);
    for (int i = 0; i < 3998; ++i) ASSERT_TRUE(PopGameSnapshot());
    EXPECT_EQ(MoveHistory, "g1f3g8f6");
    EXPECT_EQ(Sq(3, 6, 0), 7);
    EXPECT_TRUE(SideToMove);
    ASSERT_TRUE(PopGameSnapshot());
    ASSERT_TRUE(PopGameSnapshot());
    EXPECT_FALSE(PopGameSnapshot());
    EXPECT_TRUE(MoveHistory.empty());
    EXPECT_TRUE(SideToMove);
    ExpectSound();
}

}  // namespace
