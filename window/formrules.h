// The engine window's rules that do not depend on the window system: how
// the depth and seconds boxes are read, what a position file must hold, the
// texts in which the window reports a think, and the board: its geometry,
// what each square shows and the move that two clicks make.
// Both windows (FLTK and Win32) show what these say.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "search/analizza.h"

inline constexpr int DefaultDepth = 2;                 // General/Profondita when it is missing
inline constexpr int DefaultSeconds = 60;              // tx_time as designed
inline constexpr double MaxSeconds = INT32_MAX / 100;  // the budget is kept in centiseconds
inline constexpr size_t MaxFenLine = 4096;             // longest first line read from a position file
inline constexpr size_t HyphenLineLength = 67;         // the lines around the chosen move in the list

std::string Trim(const std::string& s);  // blanks, tabs, CR and LF off both ends

// What a box's text gives: the value the think uses, the text the box then
// shows, and the list line telling that the text was not used as it stood
// (empty when it was).
struct BoxValue {
    int32_t value;
    std::string shown;
    std::string note;
};
// Depth 1..98 (not a number: DefaultDepth), rounded to a whole number.
BoxValue DepthFromText(const std::string& text);
// Seconds 0..MaxSeconds (not a number: DefaultSeconds); value in centiseconds.
BoxValue SecondsFromText(const std::string& text);

// Sets up the position on the first line of a FEN file. False, with the
// message box text in problem and the position unchanged, when the file
// cannot be read, is a folder, or its first line is empty, too long or not
// a position the engine accepts. A position loaded clears the board's
// selection and last-move highlight.
bool LoadPositionFromFile(const std::string& path, std::string* problem);

// What the text typed in the move box does: "?" stops a running think;
// while a think runs nothing else is taken; otherwise a legal move is
// played on the game position (logged, kept for takebacks, added to the
// history, highlighted as the last move). True when a move was played;
// note gets the list line for a text that was not, empty when there is none
// to show.
bool PlayTypedMove(const std::string& typed, bool thinking, std::string* note);

// The status line while the engine thinks: "Analizzate N posizioni".
std::string ProgressStatus(int32_t positions);
// What the window shows when a think ends: the root moves with their scores,
// the status line (empty: left as it is), and the lines of the chosen move
// between two lines of hyphens, in the order they are added to the list.
struct OutcomeTexts {
    std::vector<std::string> rootLines;
    std::string status;
    std::vector<std::string> moveLines;
};
OutcomeTexts OutcomeTextsOf(const ThinkOutcome& outcome);

// The board, seen from White's side, in client-area pixels: the square of
// file f and rank r (1..8 each) spans x from BoardLeft + SquarePixels(f-1)
// and y from BoardTop + SquarePixels(8-r). The window around it holds the
// designed controls on its left and the side-to-move marker on its right.
inline constexpr int BoardLeft = 273;  // board's top-left corner in the client area, pixels
inline constexpr int BoardTop = 8;
inline constexpr int SquarePixels = 46;                                  // 690 twips at 15 twips per pixel
inline constexpr int BoardPixels = 8 * SquarePixels;                     // the board's width and height
inline constexpr int ClientWidthPixels = 654, ClientHeightPixels = 389;  // 9810 x 5835 twips

struct BoardSquare {
    int file = 0;  // 1..8 each; 0,0 = no square
    int rank = 0;
};
inline bool operator==(const BoardSquare& a, const BoardSquare& b) { return a.file == b.file && a.rank == b.rank; }
inline bool IsBoardSquare(const BoardSquare& s) { return s.file >= 1 && s.file <= 8 && s.rank >= 1 && s.rank <= 8; }

BoardSquare SquareAtPoint(int x, int y);                // the square under a client-area point, or none
void SquareCentre(int file, int rank, int* x, int* y);  // x = 273 + 46(f-1) + 23, y = 8 + 46(8-r) + 23

// What one square shows.
struct SquareView {
    char piece;     // 'K','Q','R','B','N','P' (a promoted pawn as its promoted kind), 0 when empty
    bool white;     // the piece's colour
    bool dark;      // a dark square
    bool selected;  // the first click's square
    bool lastMove;  // one of the two squares of the last move played
};
// Reads slice 0 only: nothing that uses Ply or changes the position, so it
// may be drawn during a think, when it shows the position the think started
// from. A square off the board shows as empty and light.
SquareView BoardSquareView(int file, int rank);
// The side-to-move marker: bottom for White, top for Black: SideToMove as
// last noted by NoteBoardSide, so that during a think it stays the side the
// think started from without reading the search's state.
bool WhiteMarkerAtBottom();
// Notes the game's side to move for the marker. Called while no think runs:
// after start-up, a loaded position, a played move, a think, and when the
// window sets SideToMove from "Muove il:".
void NoteBoardSide();
// The chess symbol in UTF-8 (U+2654..U+265F); "" for no piece.
const char* PieceSymbol(char piece, bool white);

// A click at a client-area point: while thinking nothing happens; a first
// click on a piece of the side to move selects it; then a click on a target
// that makes a legal move (a pawn reaching the last rank: queen) returns
// that move's text (e.g. "e2e4", "e7e8q") and clears the selection; any
// other click clears it. Legality is judged as for a typed move.
struct BoardClickResult {
    bool redraw;       // the board shows something else now
    std::string move;  // empty: play nothing
};
BoardClickResult BoardClick(int x, int y, bool thinking);
// Highlights the move's two squares (any player) and drops the selection;
// text that does not start with two squares highlights nothing.
void NoteLastMove(const std::string& moveText);
void ClearBoardMarks();  // no selection, no highlight (start-up, FEN load)
