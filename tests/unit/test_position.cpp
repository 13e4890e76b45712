// Set-up ids, FEN refusals and the move text on the game position.
#include "support.h"

namespace {
void NewGame() {
    PlaceById({});
    SetInitialPosition();
    SideToMove = True;
}
std::string RankIds(int rank) {
    std::string s;
    for (int f = 1; f <= 8; ++f) s += std::to_string(Sq(rank, f, 0)) + " ";
    return s;
}
}  // namespace

TEST(Setup, StartFenAndNewGiveTheSamePiecesWithDifferentIds) {
    NewGame();
    EXPECT_EQ(RankIds(8), "24 23 22 21 20 19 18 17 ");
    EXPECT_EQ(RankIds(7), "32 31 30 29 28 27 26 25 ");
    EXPECT_EQ(RankIds(1), "1 2 3 4 5 6 7 8 ");
    SetFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(RankIds(8), "24 18 19 21 20 22 23 17 ");
    EXPECT_EQ(RankIds(7), "25 26 27 28 29 30 31 32 ");
    EXPECT_EQ(RankIds(1), "1 2 3 4 5 6 7 8 ");
    EXPECT_EQ(std::string(PositionInvariantFault(0)), "");
}

TEST(Setup, CornerRooksKeepCornerIdsAndSurplusPiecesTakePawnIds) {
    SetFen("1r2k2r/8/8/8/3R4/8/8/R3K3 w - - 0 1");
    EXPECT_EQ(SquareId("b8"), 24);
    EXPECT_EQ(SquareId("h8"), 17);
    EXPECT_EQ(SquareId("a1"), 1);
    EXPECT_EQ(SquareId("d4"), 8);
    // Three white rooks, two queens, three knights: the extras become
    // promoted pawn ids from the top, and every square keeps its own id.
    SetFen("4k3/8/8/8/8/QQ6/NNN5/RRR1K3 w - - 0 1");
    EXPECT_EQ(std::string(PositionInvariantFault(0)), "");
    EXPECT_EQ(SquareId("a1"), 1);
    EXPECT_EQ(SquareId("b1"), 8);
    EXPECT_TRUE(IsPawnId(SquareId("c1")));
    EXPECT_EQ(PromOf(SquareId("c1"), 0), PromRook);
    EXPECT_EQ(PromOf(SquareId("b3"), 0), PromQueen);
    EXPECT_EQ(PromOf(SquareId("c2"), 0), PromKnight);
    // A ninth pawn with no id free is not placed.
    SetFen("4k3/8/8/8/8/P7/PPPPPPPP/4K3 w - - 0 1");
    EXPECT_EQ(SquareId("a3"), 9);  // met first, a8 to h1
    EXPECT_EQ(SquareId("g2"), 16);
    EXPECT_EQ(SquareId("h2"), 0);
}

TEST(Setup, SideToMoveAndColour) {
    SetFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(SideToMove, True);
    EXPECT_EQ(EngineColour, 1);
    for (const char* side : {"b", "W", "x"}) {
        SetFen(std::string("4k3/8/8/8/8/8/8/4K3 ") + side + " - - 0 1");
        EXPECT_EQ(SideToMove, False) << side;
        EXPECT_EQ(EngineColour, 0) << side;
    }
}

TEST(Setup, UnsoundFensAreRefusedAndChangeNothing) {
    NewGame();
    PlayMoveText("e2e4");
    const std::string history = MoveHistory;
    for (const char* fen : {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w - - 0 1",          // seven ranks
                            "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",  // nine squares
                            "rnbqkbnrr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",
                            "rnbq1bnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",  // no black king
                            "k7/8/8/8/8/8/8/K6K w - - 0 1",                           // two white kings
                            "4k3/8/8/8/8/8/8/P3K3 w - - 0 1",                         // pawn on rank 1
                            "p3k3/8/8/8/8/8/8/4K3 w - - 0 1",                         // pawn on rank 8
                            "4k3/4R3/8/8/8/8/8/4K3 w - - 0 1",                        // black in check, White to move
                            "", "////////", "8/8/8/8/8/8/8/8/8 w"}) {
        std::string why;
        std::string f = fen;
        bool accepted = SetPositionFromFen(f, &why);
        EXPECT_FALSE(accepted) << fen;
        EXPECT_FALSE(why.empty()) << fen;
        EXPECT_EQ(SquareId("e4"), 13) << fen;
        EXPECT_EQ(MoveHistory, history) << fen;
    }
}

TEST(MoveText, PlayMoveTextCastlingEnPassantPromotionCapture) {
    NewGame();
    PlayMoveText("e2e4");
    EXPECT_EQ(SquareId("e2"), 0);
    EXPECT_EQ(SquareId("e4"), 13);
    EXPECT_EQ(RankOf(13, 0), 4);
    EXPECT_EQ(SideToMove, False);

    // Castling moves the rook of the corner, by its id.
    SetFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    PlayMoveText("e1g1");
    EXPECT_EQ(SquareId("g1"), 5);
    EXPECT_EQ(SquareId("f1"), 8);
    EXPECT_EQ(FileOf(8, 0), 6);
    EXPECT_EQ(SquareId("h1"), 0);
    PlayMoveText("e8c8");
    EXPECT_EQ(SquareId("c8"), 20);
    EXPECT_EQ(SquareId("d8"), 24);
    EXPECT_EQ(SquareId("a8"), 0);
    EXPECT_EQ(GameCastle[0], 0);
    EXPECT_EQ(GameCastle[1], 0);

    // En passant for every white pawn file, toward both sides.
    for (int f = 1; f <= 8; ++f) {
        for (int side : {-1, +1}) {
            int tf = f + side;
            if (tf < 1 || tf > 8) continue;
            // Build rank 5 with the white pawn on f and the black pawn on tf.
            std::string rank5;
            int empty = 0;
            for (int x = 1; x <= 8; ++x) {
                char c = x == f ? 'P' : x == tf ? 'p' : 0;
                if (c == 0) { ++empty; continue; }
                if (empty) rank5 += std::to_string(empty);
                empty = 0;
                rank5 += c;
            }
            if (empty) rank5 += std::to_string(empty);
            SetFen("4k3/8/8/" + rank5 + "/8/8/8/4K3 w - - 0 1");
            const int victim = Sq(5, tf, 0);
            std::string move{static_cast<char>('a' + f - 1), '5', static_cast<char>('a' + tf - 1), '6'};
            PlayMoveText(move);
            EXPECT_EQ(FileOf(victim, 0), OffBoard) << move;
            EXPECT_EQ(Sq(5, tf, 0), 0) << move;
            EXPECT_EQ(std::string(PositionInvariantFault(0)), "") << move;
        }
    }
    for (const char* move : {"d4c3", "d4e3"}) {
        SetFen("4k3/8/8/8/2PpP3/8/8/4K3 b - - 0 1");
        const int victim = Sq(4, move[2] - 'a' + 1, 0);
        PlayMoveText(move);
        EXPECT_EQ(FileOf(victim, 0), OffBoard) << move;
    }

    // The promotion letter, lower case only.
    SetFen("k7/4P3/8/8/8/8/8/K7 w - - 0 1");
    int pawn = SquareId("e7");
    PlayMoveText("e7e8q");
    EXPECT_EQ(PromOf(pawn, 0), PromQueen);
    SetFen("k7/4P3/8/8/8/8/8/K7 w - - 0 1");
    pawn = SquareId("e7");
    PlayMoveText("e7e8Q");
    EXPECT_EQ(PromOf(pawn, 0), 0);

    // A capture leaves the victim's rank as it was.
    SetFen("4k3/8/8/4p3/3P4/8/8/4K3 w - - 0 1");
    const int victim = SquareId("e5");
    PlayMoveText("d4e5");
    EXPECT_EQ(FileOf(victim, 0), OffBoard);
    EXPECT_EQ(RankOf(victim, 0), 5);
}

TEST(MoveText, UnplayableTextChangesNothing) {
    NewGame();
    for (const char* text : {"", "e2", "e9e4", "i2i4", "e3e4", "zz", "e2e0"}) {
        std::string why;
        EXPECT_FALSE(MoveTextPlayable(text, &why)) << text;
        PlayMoveText(text);
        EXPECT_EQ(SquareId("e2"), 13) << text;
        EXPECT_EQ(SideToMove, True) << text;
    }
    // A king is never taken off the board.
    SetFen("4k3/8/8/8/8/8/4p3/4R1K1 w - - 0 1");
    EXPECT_FALSE(MoveTextPlayable("e1e8"));
    EXPECT_TRUE(MoveTextPlayable("e1e2"));
}

TEST(MoveText, MoveToTextAndSquaresToText) {
    NewGame();
    EXPECT_EQ(SquaresToText(2, 5, 4, 5), "e2e4");
    EXPECT_EQ(MoveToText(5, 30), "e1g1");
    EXPECT_EQ(MoveToText(7, 58), "g1f3");
    EXPECT_EQ(MoveToText(0, 15), "");
}
