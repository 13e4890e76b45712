// The rules of chess applied to the game position (slice 0), move by move:
// whether a move received from the opponent or typed by the user is legal,
// which en-passant capture the engine may play, and whether a side has any
// legal move at all. Everything here judges on local copies of slice 0: it
// calls no generator and no move maker, and changes no global the search
// reads (move lists, RootMoves, PositionsAnalysed, the slices above 0).
#pragma once
#include <string>

// Why text is not a legal move of the side to move in the game position;
// empty when it is. A legal move: a piece of the side to move on the
// from-square, a move its kind can make (a promoted pawn as its promoted
// kind) with a clear path and no own piece or king on the target; or an
// en-passant capture onto the game's en-passant square; or castling with
// the game's rights, the corner's rook at home, the squares between empty
// and the king's start, transit and target squares not attacked; and after
// it the mover's king is not attacked. A fifth character is q, r, b or n,
// and only on a pawn's move to the last rank.
std::string GameMoveFault(const std::string& text);
inline bool IsLegalGameMoveText(const std::string& text) { return GameMoveFault(text).empty(); }

// The legal en-passant capture onto the game's en-passant square, as move
// text (of two, the one by the pawn on the lower file); empty when none.
std::string GameEnPassantCapture();

// Whether the side to move in the game position has a legal move, and
// whether its king is attacked there.
bool GameSideHasLegalMove();
bool GameSideInCheck();
