/* The companion library: log writer, slice copy and the king-attack and
   knight-distance tests. Plain C linkage so that any caller can use it.

   On Linux the library is linked into the program and the five names are
   ordinary functions. On Windows it is velmorutil.dll beside the program,
   exporting the five names undecorated with the standard calling
   convention; in the engine the names are then pointers that the loader
   (companion/win/loader.cpp) fills by name, so every call site reads the
   same on both systems. VELMORUTIL_DLL is defined while the DLL itself is
   compiled. */
#ifndef VELMORUTIL_H
#define VELMORUTIL_H
#include <stdint.h>

#if defined(_WIN32)
#define VELMOR_STDCALL __stdcall
#else
#define VELMOR_STDCALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && !defined(VELMORUTIL_DLL)

/* The engine's view of velmorutil.dll: the exports, resolved by name. Until
   LoadCompanion has run they point at stand-ins that load the library on
   first use, so the tools need no start-up call of their own. */
typedef void(VELMOR_STDCALL* WriteLogProc)(const char*, const char*, int32_t, int32_t);
typedef void(VELMOR_STDCALL* CopyValuesProc)(void*, int32_t);
typedef int32_t(VELMOR_STDCALL* KingTestProc)(const uint8_t*, uint8_t, uint8_t, int32_t, const uint8_t*);
typedef int32_t(VELMOR_STDCALL* KnightTestProc)(uint8_t, uint8_t, uint8_t, uint8_t);
extern WriteLogProc WriteLog;
extern CopyValuesProc CopyValues;
extern KingTestProc fBianco;
extern KingTestProc fNero;
extern KnightTestProc fCavallo;

/* Loads velmorutil.dll from the program's folder and resolves the five
   exports. When the library or an export is missing it says so (standard
   error and a message box) and ends the process with exit status 1. */
void LoadCompanion(void);

#else

/* Records "source message" in the log beside the program when
   messageLevel <= configuredLevel (level 0 records nothing). */
void VELMOR_STDCALL WriteLog(const char* source, const char* message, int32_t configuredLevel, int32_t messageLevel);

/* Copies length bytes at first to the length bytes that follow them. */
void VELMOR_STDCALL CopyValues(void* first, int32_t length);

/* 1 when the white (black) king on (kingRank, kingFile) is attacked in the
   slice of ply by a black (white) rook, bishop, queen, king or unpromoted
   pawn. board is the whole Board array (64 bytes per ply, rank fastest),
   promoted the whole PromotedKind array (32 bytes per ply): a pawn id whose
   entry is non-zero is not a pawn and is left to the caller. */
int32_t VELMOR_STDCALL fBianco(const uint8_t* board, uint8_t kingRank, uint8_t kingFile, int32_t ply,
                               const uint8_t* promoted);
int32_t VELMOR_STDCALL fNero(const uint8_t* board, uint8_t kingRank, uint8_t kingFile, int32_t ply,
                             const uint8_t* promoted);

/* Non-zero when the two squares are a knight's move apart. */
int32_t VELMOR_STDCALL fCavallo(uint8_t targetRank, uint8_t targetFile, uint8_t knightRank, uint8_t knightFile);

#endif

#ifdef __cplusplus
}
#endif
#endif
