// The engine window's rules that do not depend on the window system: how
// the depth and seconds boxes are read, what a position file must hold, and
// the texts in which the window reports a think.
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
// a position the engine accepts.
bool LoadPositionFromFile(const std::string& path, std::string* problem);

// What the text typed in the move box does: "?" stops a running think;
// while a think runs nothing else is taken; otherwise a legal move is
// played on the game position (logged, kept for takebacks, added to the
// history). True when a move was played; note gets the list line for a
// text that was not, empty when there is none to show.
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
