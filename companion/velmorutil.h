/* The companion library: log writer, slice copy and the king-attack and
   knight-distance tests. Plain C linkage so that any caller can use it. */
#ifndef VELMORUTIL_H
#define VELMORUTIL_H
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Records "source message" in the log beside the program when
   messageLevel <= configuredLevel (level 0 records nothing). */
void WriteLog(const char* source, const char* message, int32_t configuredLevel, int32_t messageLevel);

/* Copies length bytes at first to the length bytes that follow them. */
void CopyValues(void* first, int32_t length);

/* 1 when the white (black) king on (kingRank, kingFile) is attacked in the
   slice of ply by a black (white) rook, bishop, queen, king or unpromoted
   pawn. board is the whole Board array (64 bytes per ply, rank fastest),
   promoted the whole PromotedKind array (32 bytes per ply): a pawn id whose
   entry is non-zero is not a pawn and is left to the caller. */
int32_t fBianco(const uint8_t* board, uint8_t kingRank, uint8_t kingFile, int32_t ply, const uint8_t* promoted);
int32_t fNero(const uint8_t* board, uint8_t kingRank, uint8_t kingFile, int32_t ply, const uint8_t* promoted);

/* Non-zero when the two squares are a knight's move apart. */
int32_t fCavallo(uint8_t targetRank, uint8_t targetFile, uint8_t knightRank, uint8_t knightFile);

#ifdef __cplusplus
}
#endif
#endif
