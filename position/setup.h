// Putting a whole game position into slice 0: the standard start ("new")
// or a FEN placement ("setboard", the window's position files).
#pragma once
#include <string>

// Standard start position with the fixed ids; resets history, castling,
// move counter and clocks. Does not set SideToMove.
void SetInitialPosition();

// Sets up a FEN position. A FEN that cannot describe a sound position
// (placement not 8 ranks of 8 squares, a king missing or doubled, a pawn on
// the first or last rank, a piece or pawn for which no id is free, the side
// not to move in check) is refused: the old position stays, nothing changes,
// false is returned and *why says why. The castling field (K/Q/k/q or
// H/A/h/a) gives the game's castling rights and the fourth field its
// en-passant square when an enemy pawn could just have passed over it.
bool SetPositionFromFen(const std::string& fen, std::string* why = nullptr);
