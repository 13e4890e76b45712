// The window's board: which square a point falls on, what a square shows,
// and the move two clicks make on the game position.
#include <string>

#include "support.h"
#include "window/formrules.h"

namespace {

BoardClickResult ClickOn(const char* square) {
    int x, y;
    SquareCentre(square[0] - 'a' + 1, square[1] - '0', &x, &y);
    return BoardClick(x, y, false);
}
std::string Moves(const char* first, const char* second) {
    ClickOn(first);
    return ClickOn(second).move;
}
std::string Shown(const char* square) {
    const SquareView v = BoardSquareView(square[0] - 'a' + 1, square[1] - '0');
    return v.piece ? std::string(1, v.white ? v.piece : static_cast<char>(v.piece - 'A' + 'a')) : "-";
}
void StartFrom(const char* fen) {
    SettingsFileEnabled = false;
    ASSERT_TRUE(SetPositionFromFen(fen));
    Ply = 0;
    ClearBoardMarks();
    NoteBoardSide();
}

TEST(Board, EverySquareHasOneCentreAndTheEdgesBelongToNone) {
    for (int f = 1; f <= 8; ++f)
        for (int r = 1; r <= 8; ++r) {
            int x, y;
            SquareCentre(f, r, &x, &y);
            EXPECT_EQ(x, 273 + 46 * (f - 1) + 23);
            EXPECT_EQ(y, 8 + 46 * (8 - r) + 23);
            // The centre and the square's corners fall on it.
            for (auto [dx, dy] : {std::pair{0, 0}, {-23, -23}, {22, 22}})
                EXPECT_TRUE((SquareAtPoint(x + dx, y + dy) == BoardSquare{f, r}));
        }
    EXPECT_TRUE((SquareAtPoint(273, 8) == BoardSquare{1, 8}));
    EXPECT_TRUE((SquareAtPoint(273 + 367, 8 + 367) == BoardSquare{8, 1}));
    for (auto [x, y] : {std::pair{272, 100}, {273 + 368, 100}, {300, 7}, {300, 8 + 368}, {-5, -5}, {100, 100}})
        EXPECT_FALSE(IsBoardSquare(SquareAtPoint(x, y))) << x << "," << y;
    EXPECT_LE(BoardLeft + BoardPixels, ClientWidthPixels);
    EXPECT_LE(BoardTop + BoardPixels, ClientHeightPixels);
}

TEST(Board, SquaresShowTheGamePositionOnly) {
    // A promoted pawn shows as its promoted kind; a1 is dark, h1 light.
    StartFrom("k7/4P3/8/8/8/8/8/4K2R w - - 0 1");
    PlayMoveText("e7e8q");
    EXPECT_EQ(Shown("a8") + Shown("e8") + Shown("e7") + Shown("h1") + Shown("e1") + Shown("a1"), "kQ-RK-");
    EXPECT_TRUE(BoardSquareView(1, 1).dark);
    EXPECT_FALSE(BoardSquareView(8, 1).dark);
    // Off the board: empty, nothing marked.
    for (auto [f, r] : {std::pair{0, 0}, {9, 1}, {1, -3}}) {
        const SquareView v = BoardSquareView(f, r);
        EXPECT_TRUE(v.piece == 0 && !v.selected && !v.lastMove);
    }
    // Inside a search the deeper slices and the ply's side change; the board
    // and its marker still show slice 0 and its side to move.
    StartFrom("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1");
    const std::string before = Shown("e2") + Shown("e4");
    std::memcpy(Board[1], Board[0], sizeof Board[0]);
    std::swap(Sq(2, 5, 1), Sq(4, 5, 1));
    EnterPly();
    EXPECT_EQ(Shown("e2") + Shown("e4"), before);
    EXPECT_TRUE(WhiteMarkerAtBottom());
    LeavePly();
    PlayMoveText("e2e4");
    NoteBoardSide();
    EXPECT_FALSE(WhiteMarkerAtBottom());
}

TEST(Board, TwoClicksMakeALegalMoveOfTheSideToMove) {
    StartFrom("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(Moves("e2", "e4"), "e2e4");
    EXPECT_EQ(Moves("g1", "f3"), "g1f3");
    // An illegal target, the same square again, or a point off the board: nothing, selection gone.
    for (auto [first, second] : {std::pair{"e2", "e5"}, {"e2", "e2"}, {"a1", "a3"}, {"e1", "e2"}}) {
        EXPECT_TRUE(ClickOn(first).redraw);
        EXPECT_TRUE(BoardSquareView(first[0] - 'a' + 1, first[1] - '0').selected);
        const BoardClickResult second_ = ClickOn(second);
        EXPECT_TRUE(second_.redraw && second_.move.empty()) << first << second;
        EXPECT_FALSE(BoardSquareView(first[0] - 'a' + 1, first[1] - '0').selected);
    }
    ClickOn("e2");
    EXPECT_TRUE(BoardClick(10, 10, false).move.empty());
    EXPECT_FALSE(BoardSquareView(5, 2).selected);
    // A first click on an empty square or an opponent's piece chooses nothing.
    for (const char* first : {"e4", "e7", "d8"}) {
        EXPECT_FALSE(ClickOn(first).redraw);
        EXPECT_EQ(ClickOn("e5").move, "") << first;
    }
    // Black to move: Black's pieces are chosen, White's are not.
    PlayMoveText("e2e4");
    EXPECT_EQ(Moves("e2", "e3") + Moves("e7", "e5"), "e7e5");
    // A move played drops a choice made before it.
    ClickOn("d7");
    NoteLastMove("e7e5");
    EXPECT_FALSE(BoardSquareView(4, 7).selected);
}

TEST(Board, PawnsReachingTheLastRankBecomeQueens) {
    StartFrom("3q4/4P3/7k/8/8/8/4p3/K2Q4 w - - 0 1");
    EXPECT_EQ(Moves("e7", "d8"), "e7d8q");
    PlayMoveText("e7d8q");
    EXPECT_EQ(Moves("e2", "d1"), "e2d1q");
}

TEST(Board, TheLastMoveIsHighlightedUntilTheMarksAreCleared) {
    StartFrom("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    NoteLastMove("e7e8q");
    EXPECT_TRUE(BoardSquareView(5, 7).lastMove && BoardSquareView(5, 8).lastMove);
    EXPECT_FALSE(BoardSquareView(5, 6).lastMove);
    for (const char* text : {"", "e2", "e2e9", "z1e4"}) {
        NoteLastMove(text);
        for (int f = 1; f <= 8; ++f)
            for (int r = 1; r <= 8; ++r) EXPECT_FALSE(BoardSquareView(f, r).lastMove) << text;
    }
    NoteLastMove("g1f3");
    ClickOn("e2");
    ClearBoardMarks();
    EXPECT_FALSE(BoardSquareView(7, 1).lastMove || BoardSquareView(6, 3).lastMove || BoardSquareView(5, 2).selected);
}

}  // namespace
