// Putting a whole game position into slice 0: the standard start ("new")
// or a FEN placement ("setboard", the window's position files).
#pragma once
#include <string>

// Standard start position with the fixed ids; resets history, castling,
// move counter and clocks. Does not set SideToMove. Like every set-up here,
// it leaves the takeback snapshots (shell/gamehistory.h) to its caller.
void SetInitialPosition();

// The standard start with White to move, an empty history, a fresh move
// counter and clocks, for the protocol's start-up: an interface may send
// "go" or a move before any "new". Reads no setting and logs nothing; the
// engine's castling rights are left for ReadCastleRights.
void SetStartupPosition();
// The engine's castling rights (General/CanCastle, with the default given).
void ReadCastleRights(const char* castleDefault);

// Sets up a FEN position. A FEN that cannot describe a sound position
// (placement not 8 ranks of 8 squares, a king missing or doubled, a pawn on
// the first or last rank, a piece or pawn for which no id is free, the side
// not to move in check) is refused: the old position stays, nothing changes,
// false is returned and *why says why. The castling field (K/Q/k/q or
// H/A/h/a) gives the game's castling rights and the fourth field its
// en-passant square when an enemy pawn could just have passed over it.
bool SetPositionFromFen(const std::string& fen, std::string* why = nullptr);
