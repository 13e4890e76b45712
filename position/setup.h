// Putting a whole game position into slice 0: the standard start ("new")
// or a FEN placement ("setboard", the window's position files).
#pragma once
#include <string>

// Standard start position with the fixed ids; resets history, castling,
// move counter and clocks. Does not set SideToMove.
void SetInitialPosition();

// Sets up a FEN position. A FEN that cannot describe a sound position
// (placement not 8 ranks of 8 squares, a king missing or doubled, a pawn on
// the first or last rank, the side not to move in check) is refused: the
// old position stays, nothing changes, false is returned and *why says why.
bool SetPositionFromFen(const std::string& fen, std::string* why = nullptr);
