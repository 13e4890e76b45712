// Coordinate move text (e2e4, e7e8q) and playing it on the game position.
#pragma once
#include <cstdint>
#include <string>

// Whether text can be played: two different squares on the board, a piece
// on the from-square, no king on the to-square. *why says what is wrong.
bool MoveTextPlayable(const std::string& text, std::string* why = nullptr);
// Plays a move on slice 0 (promotion, en passant, castling rook). Text that
// is not playable leaves the position untouched.
void PlayMoveText(const std::string& text);
std::string SquaresToText(uint8_t fromRank, uint8_t fromFile, uint8_t toRank, uint8_t toFile);
std::string MoveToText(uint8_t piece, uint8_t moveCode);
