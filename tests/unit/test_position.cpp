// Set-up ids, the move text on the game position, and positions no interface should produce
// but that moves played without a legality test reach: the position must stay sound in them.
#include "shell/gamehistory.h"
#include "support.h"

namespace {
std::string Ids(int rank) {
    std::string s;
    for (int f = 1; f <= 8; ++f) s += std::to_string(Sq(rank, f, 0)) + " ";
    return s;
}
void ExpectSound() { EXPECT_STREQ(PositionInvariantFault(0), ""); }
}  // namespace

TEST(Setup, IdsOfCornerRooksAndSurplusPiecesAndTheSideToMove) {
    // Corner rooks keep their corner's id; three white rooks, two queens,
    // three knights: the extras become promoted pawn ids from the top.
    SetFen("1r2k2r/8/8/8/3R4/8/8/R3K3 w - - 0 1");
    EXPECT_EQ(Ids(8) + Ids(4) + Ids(1), "0 24 0 0 20 0 0 17 0 0 0 8 0 0 0 0 1 0 0 0 5 0 0 0 ");
    SetFen("4k3/8/8/8/8/QQ6/NNN5/RRR1K3 w - - 0 1");
    ExpectSound();
    EXPECT_EQ(Ids(3) + Ids(2) + Ids(1), "4 16 0 0 0 0 0 0 2 7 15 0 0 0 0 0 1 8 14 0 5 0 0 0 ");
    EXPECT_EQ(std::vector<int>({PromOf(14, 0), PromOf(15, 0), PromOf(16, 0)}), (std::vector<int>{PromRook, PromKnight, PromQueen}));
    // Any side letter but "w" gives Black the move; the engine takes the other side.
    for (const char* side : {"w", "b", "W", "x"}) {
        SetFen(std::string("4k3/8/8/8/8/8/8/4K3 ") + side + " - - 0 1");
        EXPECT_EQ(SideToMove, side[0] == 'w' ? True : False) << side;
        EXPECT_EQ(EngineColour, side[0] == 'w' ? 1 : 0) << side;
    }
}

TEST(Setup, TheEnPassantAndCastlingFields) {
    // The square a pawn of the side not to move has just passed over, for
    // either side to move; (rank - 1) + 8 * (file - 1).
    const std::string white = "4k3/8/8/3pP3/8/8/8/4K3 w ", black = "4k3/8/8/8/3Pp3/8/8/4K3 b ";
    const std::pair<std::string, int> cases[] = {
        {white + "- d6 0 1", 5 + 8 * 3}, {white + "-   d6", 5 + 8 * 3}, {white + "\t-\td6\t", 5 + 8 * 3}, {black + "- d3 0 1", 2 + 8 * 3}, {black + "KQkq d3", 2 + 8 * 3},
        // The wrong rank for the side to move, no enemy pawn beyond, the
        // square or the one behind it taken, and texts that are not a square.
        {white + "- d3 0 1", NoEnPassant},
        {black + "- d6 0 1", NoEnPassant},
        {white + "- e6 0 1", NoEnPassant},
        {white + "- c6 0 1", NoEnPassant},
        {"4k3/8/3n4/3pP3/8/8/8/4K3 w - d6 0 1", NoEnPassant},
        {"4k3/3n4/8/3pP3/8/8/8/4K3 w - d6 0 1", NoEnPassant},
        {"4k3/8/8/8/3Pp3/8/3N4/4K3 b - d3 0 1", NoEnPassant},
        {white + "- D6 0 1", NoEnPassant},
        {white + "- d6x 0 1", NoEnPassant},
        {white + "- i6", NoEnPassant},
        {white + "- d", NoEnPassant},
        {white + "-", NoEnPassant},
        {white, NoEnPassant},
        {"4k3/8/8/3pP3/8/8/8/4K3", NoEnPassant}};
    for (const auto& [fen, square] : cases) {
        SetFen(fen);
        EXPECT_EQ(GameEnPassant, square) << fen;
    }
    // Castling letters K/Q/k/q or the rook files H/A/h/a; no field grants all.
    const std::pair<const char*, std::pair<int, int>> rights[] = {
        {"w KQkq", {3, 3}}, {"w HAha", {3, 3}}, {"w Hq", {1, 2}}, {"w Ak", {2, 1}}, {"w -", {0, 0}}, {"w", {3, 3}}};
    for (const auto& [fields, game] : rights) {
        SetFen(std::string("r3k2r/8/8/8/8/8/8/R3K2R ") + fields);
        EXPECT_EQ(std::make_pair(int{GameCastle[0]}, int{GameCastle[1]}), game) << fields;
    }
}

TEST(MoveText, CastlingEnPassantAndThePromotionLetter) {
    // Castling moves the rook of the corner, by its id, and ends the game's rights.
    SetFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    PlayMoveText("e1g1");
    PlayMoveText("e8c8");
    EXPECT_EQ(Ids(1) + Ids(8), "1 0 0 0 0 8 5 0 0 0 20 24 0 0 0 17 ");
    EXPECT_TRUE(FileOf(8, 0) == 6 && GameCastle[0] == 0 && GameCastle[1] == 0);
    // En passant for every white pawn file toward both sides, and for Black.
    for (int f = 1; f <= 8; ++f)
        for (int tf : {f - 1, f + 1}) {
            if (tf < 1 || tf > 8) continue;
            const std::string from{static_cast<char>('a' + f - 1), '5'}, to{static_cast<char>('a' + tf - 1), '5'};
            PlaceList({{5, "e1"}, {20, "e8"}, {12, from.c_str()}, {28, to.c_str()}});
            PlayMoveText(from + to[0] + "6");
            EXPECT_TRUE(FileOf(28, 0) == OffBoard && Sq(5, tf, 0) == 0) << from << to;
            ExpectSound();
        }
    for (const char* move : {"d4c3", "d4e3"}) {
        SetFen("4k3/8/8/8/2PpP3/8/8/4K3 b - - 0 1");
        const int victim = Sq(4, move[2] - 'a' + 1, 0);
        PlayMoveText(move);
        EXPECT_EQ(FileOf(victim, 0), OffBoard) << move;
    }
    // The promotion letter counts in lower case only, and a legal game move needs it.
    for (const char* move : {"e7e8q", "e7e8Q"}) {
        SetFen("k7/4P3/8/8/8/8/8/K7 w - - 0 1");  // the pawn takes id 9
        EXPECT_FALSE(IsLegalGameMove("e7e8"));
        EXPECT_TRUE(IsLegalGameMove("e7e8r"));
        PlayMoveText(move);
        EXPECT_EQ(PromOf(9, 0), move[4] == 'q' ? PromQueen : 0) << move;
    }
}

TEST(StrangePositions, AHangingKingIsNeverTakenAndTheSearchStaysSound) {
    // White to move with Black's king attacked by a rook, a knight, a pawn
    // and a promoted knight: no capture of it is generated.
    PlaceList({{5, "a1"}, {20, "e8"}, {1, "e2"}, {2, "f6"}, {13, "f7"}, {16, "d7", PromKnight}});
    GenerateMoves();
    EXPECT_GT(MoveCount[0], 0);
    for (const MoveRecord& m : ListOfPly()) EXPECT_NE(m.Captured, BlackKing) << MoveText(m);
    ClearList();
    // After 1.e4 f6 2.Qh5+ a6 (Black ignored the check) White is to move;
    // a two-ply think makes every slice sound (checked inside MakeMove in
    // the checked builds) and plays a legal move.
    NewGame();
    for (const char* m : {"e2e4", "f7f6", "d1h5", "a7a6"}) PlayMoveText(m);
    EXPECT_FALSE(IsLegalGameMove("h5e8"));
    UseTime = BookEnabled = False;
    Reporter = XboardReporter();  // keeps the game for taking the move back
    Reporter.DepthLimit = [] { return 2; };
    testing::internal::CaptureStdout();
    Analizza();
    testing::internal::GetCapturedStdout();
    Reporter = ThinkReporter{};
    EXPECT_EQ(Ply, 0);
    for (int p = 0; p <= MaxPly; ++p) EXPECT_EQ(MoveCount[p], 0);
    ExpectSound();
    ASSERT_TRUE(PopGameSnapshot());  // the engine's move taken back: it was legal
    EXPECT_TRUE(IsLegalGameMove(BestMoveText)) << BestMoveText;
}

TEST(StrangePositions, CastlingOntoAnOccupiedSquareLeavesTheRook) {
    // e8g8 and e1g1 with the bishops and knights at home: the king takes
    // the knight, the rook stays; with the squares free it moves as in castling.
    NewGame();
    for (const char* m : {"e2e4", "e8g8", "e1g1"}) PlayMoveText(m);
    ExpectSound();
    EXPECT_EQ(Ids(8) + Ids(1), "24 23 22 21 0 19 20 17 1 2 3 4 0 6 5 8 ");
    NewGame();
    for (const char* m : {"e2e4", "e7e5", "g1f3", "g8f6", "f1c4", "f8c5", "e1g1", "e8g8"}) PlayMoveText(m);
    ExpectSound();
    EXPECT_EQ(Ids(8) + Ids(1), "24 23 22 21 0 17 20 0 1 2 3 4 0 8 5 0 ");
}
