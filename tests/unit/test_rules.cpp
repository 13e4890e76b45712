// Legality, copy-make and the check tests.
#include <algorithm>

#include "rules/scacco.h"
#include "support.h"

namespace {

bool Has(const std::vector<std::string>& moves, const std::string& m) {
    return std::find(moves.begin(), moves.end(), m) != moves.end();
}

// Makes the generated move with the given text on top of the list and
// returns MakeMove's verdict; the list is emptied again.
Bool16 MakeByText(const std::string& text) {
    GenerateMoves();
    Bool16 verdict = False;
    bool found = false;
    while (MoveCount[Ply] > 0) {
        const MoveRecord m = MoveList[Ply][MoveCount[Ply]];
        static const char* letters[5] = {"", "q", "r", "b", "n"};
        if (!found && MoveToText(m.Piece, m.MoveCode) + letters[m.Promotion] == text) {
            found = true;
            verdict = MakeMove();
            // Keep the made slice: the rest of the list is only popped.
        }
        PopMove();
    }
    RootMoves.assign(1, MoveRecord{});
    EXPECT_TRUE(found) << text;
    return verdict;
}

}  // namespace

TEST(Legality, PinsAndKingIntoAttackAreRefused) {
    SetFen("4r1k1/8/8/8/8/8/4N3/4K3 w - - 0 1");
    auto legal = LegalMoves();
    for (const char* knightMove : {"e2c3", "e2g3", "e2d4", "e2f4", "e2c1", "e2g1"}) EXPECT_FALSE(Has(legal, knightMove)) << knightMove;
    EXPECT_TRUE(Has(legal, "e1d1"));
    SetFen("4k3/8/8/8/8/8/3r4/4K3 w - - 0 1");
    legal = LegalMoves();
    EXPECT_TRUE(Has(legal, "e1d2"));   // takes the rook
    EXPECT_TRUE(Has(legal, "e1f1"));
    EXPECT_FALSE(Has(legal, "e1d1"));  // on the rook's file
    EXPECT_FALSE(Has(legal, "e1e2"));  // on its rank
    EXPECT_FALSE(Has(legal, "e1f2"));
}

TEST(Legality, CastlingOutOfThroughAndIntoCheck) {
    SetFen("4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1");
    auto legal = LegalMoves();
    EXPECT_TRUE(Has(legal, "e1g1"));
    EXPECT_TRUE(Has(legal, "e1c1"));
    SetFen("4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1");
    EXPECT_TRUE(MakeByText("e1g1"));
    EXPECT_EQ(SquareId("g1", 1), 5);
    EXPECT_EQ(SquareId("f1", 1), 8);
    EXPECT_EQ(SquareId("e1", 1), 0);
    EXPECT_EQ(SquareId("h1", 1), 0);
    EXPECT_EQ(FileOf(5, 1), 7);
    EXPECT_EQ(FileOf(8, 1), 6);
    EXPECT_EQ(SquareId("e1", 0), 5);  // the current ply is untouched
    // Out of check, through an attacked square, into an attacked square.
    for (const char* fen : {"4k3/8/8/8/8/8/4r3/R3K2R w KQ - 0 1", "4kr2/8/8/8/8/8/8/R3K2R w KQ - 0 1",
                            "4k1r1/8/8/8/8/8/8/R3K2R w KQ - 0 1"}) {
        SetFen(fen);
        EXPECT_FALSE(Has(LegalMoves(), "e1g1")) << fen;
    }
    SetFen("r3k2r/8/8/8/8/8/8/3RK3 b kq - 0 1");
    legal = LegalMoves();
    EXPECT_FALSE(Has(legal, "e8c8"));  // d8 is attacked
    EXPECT_TRUE(Has(legal, "e8g8"));
    // The game's castling field takes rights away.
    SetFen("r3k2r/8/8/8/8/8/8/4K3 b q - 0 1");
    legal = LegalMoves();
    EXPECT_FALSE(Has(legal, "e8g8"));
    EXPECT_TRUE(Has(legal, "e8c8"));
}

TEST(CopyMake, SlicesAreIndependentAndPromotionStaysInTheNextSlice) {
    SetFen("4k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_TRUE(MakeByText("a7a8q"));
    const int pawn = SquareId("a8", 1);
    EXPECT_TRUE(IsPawnId(pawn));
    EXPECT_EQ(PromOf(pawn, 1), PromQueen);
    EXPECT_EQ(PromOf(pawn, 0), 0);
    EXPECT_EQ(SquareId("a7", 0), pawn);
    EXPECT_EQ(SquareId("a8", 0), 0);
    // The next move of the same list sees the pawn unpromoted again.
    EXPECT_TRUE(MakeByText("a7a8n"));
    EXPECT_EQ(PromOf(pawn, 1), PromKnight);
}

TEST(CopyMake, CaptureLeavesStaleRankAndNeverCountsThePieceAgain) {
    SetFen("4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1");
    const int victim = SquareId("d5");
    EXPECT_TRUE(MakeByText("e4d5"));
    EXPECT_EQ(FileOf(victim, 1), OffBoard);
    EXPECT_EQ(RankOf(victim, 1), 5);
    EXPECT_EQ(SquareId("d5", 1), SquareId("e4", 0));
    EXPECT_EQ(std::string(PositionInvariantFault(1)), "");
}

TEST(CopyMake, PawnCapturesOnTheFifthRankAreAllAccepted) {
    // After 1.e4 d6 2.e5 h5 the capture exd6 is legal; every capture is real.
    PlaceById({});
    SetInitialPosition();
    SideToMove = True;
    for (const char* m : {"e2e4", "d7d6", "e4e5", "h7h5"}) PlayMoveText(m);
    EXPECT_TRUE(Has(LegalMoves(), "e5d6"));
}

TEST(CheckTests, PromotedPawnsAttackOnlyAsTheirNewKind) {
    // A black pawn id promoted to a rook on f2 does not attack e1 diagonally.
    PlaceById({{5, "e1"}, {20, "e8"}, {25, "f2", PromRook}}, true);
    auto legal = LegalMoves();
    EXPECT_TRUE(Has(legal, "e1d1"));  // d1 is not on the rook's lines
    EXPECT_FALSE(Has(legal, "e1e2")); // e2 is
    // As a knight on f3 it checks e1 by its jump, under its pawn id.
    PlaceById({{5, "e1"}, {20, "e8"}, {26, "f3", PromKnight}}, true);
    EXPECT_TRUE(SideToMoveInCheck());
    // As a queen on e4 its check is blocked by a piece between.
    PlaceById({{5, "e1"}, {20, "e8"}, {27, "e4", PromQueen}, {13, "e2"}}, true);
    EXPECT_FALSE(SideToMoveInCheck());
    PlaceById({{5, "e1"}, {20, "e8"}, {27, "e4", PromQueen}}, true);
    EXPECT_TRUE(SideToMoveInCheck());
}

TEST(CheckTests, CapturedKnightGivesNoCheckAndInCheckRestoresPly) {
    PlaceById({{5, "e1"}, {20, "e8"}}, true);
    RankOf(18, 0) = 3;  // stale coordinates of a captured knight on f3
    FileOf(18, 0) = OffBoard;
    const int16_t ply = Ply;
    const Bool16 side = SideToMove;
    EXPECT_FALSE(SideToMoveInCheck());
    EXPECT_EQ(Ply, ply);
    EXPECT_EQ(SideToMove, side);
    PlaceById({{5, "e1"}, {20, "e8"}, {18, "f3"}}, true);
    EXPECT_TRUE(SideToMoveInCheck());
    EXPECT_EQ(Ply, ply);
}

TEST(CheckTests, LineTestsAdjacentAndBlocked) {
    PlaceById({{5, "e1"}, {20, "e8"}, {17, "e2"}}, true);
    EXPECT_TRUE(SideToMoveInCheck());
    PlaceById({{5, "e1"}, {20, "e8"}, {19, "b4"}, {12, "d2"}}, true);
    EXPECT_FALSE(SideToMoveInCheck());
    PlaceById({{5, "e1"}, {20, "e8"}, {19, "b4"}}, true);
    EXPECT_TRUE(SideToMoveInCheck());
}

TEST(GameMoves, LegalityOfTextOnTheGamePosition) {
    PlaceById({});
    SetInitialPosition();
    SideToMove = True;
    const int32_t analysed = PositionsAnalysed;
    EXPECT_TRUE(IsLegalGameMove("e2e4"));
    EXPECT_TRUE(IsLegalGameMove("g1f3"));
    EXPECT_FALSE(IsLegalGameMove("e2e5"));
    EXPECT_FALSE(IsLegalGameMove("e7e5"));
    EXPECT_FALSE(IsLegalGameMove("z9e4"));
    EXPECT_FALSE(IsLegalGameMove(""));
    EXPECT_EQ(PositionsAnalysed, analysed);
    EXPECT_EQ(MoveCount[0], 0);
    EXPECT_EQ(RootMoves.size(), 1u);
    SetFen("4k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_FALSE(IsLegalGameMove("a7a8"));  // a promotion needs its letter
    EXPECT_TRUE(IsLegalGameMove("a7a8r"));
}
