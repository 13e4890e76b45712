// The fixed identities of the position: piece ids, kinds, move codes, castling codes, per-colour facts, promotion letters.
//
// Every piece keeps its id 1..32 for the whole game and the id fixes its
// kind (pawns excepted, which may promote). The rest of the engine names
// these facts from here instead of writing the numbers out, and the lookup
// tables it needs (kind of an id, displacement of a code) are derived from
// them when the program is compiled.
#pragma once
#include <cstdint>

// 1. Piece ids. White's back rank counts from file a, Black's from file h;
//    the pawns follow in the same file order (9 on a2, 25 on h7).
enum : uint8_t {
    NoPiece = 0,
    WhiteRookA = 1,
    WhiteKnightB = 2,
    WhiteBishopC = 3,
    WhiteQueen = 4,
    WhiteKing = 5,
    WhiteBishopF = 6,
    WhiteKnightG = 7,
    WhiteRookH = 8,
    WhitePawnA = 9,
    WhitePawnH = 16,
    BlackRookH = 17,
    BlackKnightG = 18,
    BlackBishopF = 19,
    BlackKing = 20,
    BlackQueen = 21,
    BlackBishopC = 22,
    BlackKnightB = 23,
    BlackRookA = 24,
    BlackPawnH = 25,
    BlackPawnA = 32,
};
inline constexpr int PiecesPerSide = 16;
inline constexpr int PawnsPerSide = 8;
inline constexpr int LastPieceId = 32;

constexpr bool IsWhiteId(int id) { return id >= WhiteRookA && id <= WhitePawnH; }
constexpr bool IsBlackId(int id) { return id >= BlackRookH && id <= BlackPawnA; }
constexpr bool IsPawnId(int id) { return (id >= WhitePawnA && id <= WhitePawnH) || (id >= BlackPawnH && id <= BlackPawnA); }
constexpr bool IsKingId(int id) { return id == WhiteKing || id == BlackKing; }
// Of the same colour (both ids present, 1..32).
constexpr bool SameColour(int a, int b) { return (a > WhitePawnH) == (b > WhitePawnH); }

// 2. PromotedKind coding, also the MoveRecord.Promotion coding, and the
//    letter of each promotion in move text (index by the code).
enum : uint8_t { NotPromoted = 0,
                 PromQueen = 1,
                 PromRook = 2,
                 PromBishop = 3,
                 PromKnight = 4 };
inline constexpr char PromotionLetters[] = "qrbn";  // PromQueen..PromKnight, in order
constexpr char PromotionLetter(uint8_t promotion) {
    return promotion >= PromQueen && promotion <= PromKnight ? PromotionLetters[promotion - 1] : '\0';
}
// The code of a lower-case promotion letter, NotPromoted for any other character.
constexpr uint8_t PromotionOfLetter(char letter) {
    for (uint8_t code = PromQueen; code <= PromKnight; ++code)
        if (PromotionLetters[code - 1] == letter) return code;
    return NotPromoted;
}

// 3. Piece kinds (derived, never stored).
enum class PieceKind : uint8_t { None,
                                 King,
                                 Queen,
                                 Rook,
                                 Bishop,
                                 Knight,
                                 Pawn };

// The kind of piece id when its PromotedKind is prom: by the id, and for
// pawn ids by prom (a code that is no promotion leaves a pawn).
constexpr PieceKind KindOfIdAs(int id, uint8_t prom) {
    if (id < WhiteRookA || id > LastPieceId) return PieceKind::None;
    if (IsPawnId(id)) {
        switch (prom) {
            case PromQueen: return PieceKind::Queen;
            case PromRook: return PieceKind::Rook;
            case PromBishop: return PieceKind::Bishop;
            case PromKnight: return PieceKind::Knight;
            default: return PieceKind::Pawn;
        }
    }
    // Back-rank ids: White 1..8 from file a, Black 17..24 from file h.
    constexpr PieceKind back[8] = {PieceKind::Rook, PieceKind::Knight, PieceKind::Bishop, PieceKind::Queen,
                                   PieceKind::King, PieceKind::Bishop, PieceKind::Knight, PieceKind::Rook};
    return id <= WhiteRookH ? back[id - WhiteRookA] : back[BlackRookA - id];
}

// 4. Move codes. Codes 1..56 are seven distances along eight directions,
//    code = 7 * direction + distance; codes 57..64 the knight's jumps,
//    clockwise from the jump toward file a.
enum Direction : uint8_t {
    TowardFileA = 0,
    UpTowardFileA = 1,
    Up = 2,
    UpTowardFileH = 3,
    TowardFileH = 4,
    DownTowardFileH = 5,
    Down = 6,
    DownTowardFileA = 7,
};
inline constexpr int MaxDistance = 7;
inline constexpr uint8_t FirstKnightCode = 57, LastMoveCode = 64;
constexpr uint8_t RayCode(int direction, int distance) { return static_cast<uint8_t>(MaxDistance * direction + distance); }
constexpr int DirectionOfCode(int code) { return (code - 1) / MaxDistance; }
constexpr int DistanceOfCode(int code) { return (code - 1) % MaxDistance + 1; }

// Castling is a king move of distance 2 along its rank.
inline constexpr uint8_t KingSideCastleCode = RayCode(TowardFileH, 2);   // 30
inline constexpr uint8_t QueenSideCastleCode = RayCode(TowardFileA, 2);  // 2
constexpr bool IsCastlingCode(int code) { return code == KingSideCastleCode || code == QueenSideCastleCode; }

// Castling rights: a sum of these (3 = both, 0 = none).
enum : int16_t { KingSideRight = 1,
                 QueenSideRight = 2,
                 BothCastleRights = 3 };

// Rank and file displacement of each MoveCode; entry 0 (no move) is 0, 0.
struct CodeStep {
    int8_t dRank, dFile;
};
inline constexpr CodeStep DirectionStep[8] = {{0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}};
inline constexpr CodeStep KnightStep[8] = {{1, -2}, {2, -1}, {2, 1}, {1, 2}, {-1, 2}, {-2, 1}, {-2, -1}, {-1, -2}};
struct CodeTable {
    CodeStep s[LastMoveCode + 1];
    constexpr const CodeStep& operator[](int code) const { return s[code]; }
};
constexpr CodeTable BuildMoveCodeTable() {
    CodeTable t{};
    for (int code = 1; code < FirstKnightCode; ++code) {
        const int dir = DirectionOfCode(code), dist = DistanceOfCode(code);
        t.s[code] = {static_cast<int8_t>(DirectionStep[dir].dRank * dist), static_cast<int8_t>(DirectionStep[dir].dFile * dist)};
    }
    for (int k = 0; k < 8; ++k) t.s[FirstKnightCode + k] = KnightStep[k];
    return t;
}
inline constexpr CodeTable MoveCodeTable = BuildMoveCodeTable();

// 5. The facts of each colour. The board's files: a = 1 .. h = 8.
inline constexpr int FileA = 1, FileB = 2, FileC = 3, FileD = 4, FileE = 5, FileF = 6, FileG = 7, FileH = 8;
struct ColourFacts {
    int colour;                // 0 White, 1 Black (index of per-colour arrays)
    uint8_t firstId, lastId;   // the colour's own ids
    uint8_t enemyLo, enemyHi;  // the other colour's ids
    uint8_t king, queen;
    uint8_t kingRook, queenRook;         // the rooks of files h and a, the castling markers
    uint8_t knightB, knightG;            // the knights of the initial set-up (files b and g)
    uint8_t bishopC, bishopF;            // the bishops of the initial set-up (files c and f)
    uint8_t firstPawn;                   // pawn ids firstPawn..firstPawn + 7
    int homeRank;                        // the king's and the rooks' rank
    int forward;                         // a pawn's rank step: +1 White, -1 Black
    int startRank;                       // the pawns' double-step rank
    int lastPushRank;                    // the rank from which a pawn's step promotes
    uint8_t stepCode, doubleCode;        // a pawn's single and double step
    uint8_t capFileHCode, capFileACode;  // a pawn's captures toward file h (+1) and file a (-1)
};
inline constexpr ColourFacts WhiteFacts = {
    .colour = 0,
    .firstId = WhiteRookA,
    .lastId = WhitePawnH,
    .enemyLo = BlackRookH,
    .enemyHi = BlackPawnA,
    .king = WhiteKing,
    .queen = WhiteQueen,
    .kingRook = WhiteRookH,
    .queenRook = WhiteRookA,
    .knightB = WhiteKnightB,
    .knightG = WhiteKnightG,
    .bishopC = WhiteBishopC,
    .bishopF = WhiteBishopF,
    .firstPawn = WhitePawnA,
    .homeRank = 1,
    .forward = +1,
    .startRank = 2,
    .lastPushRank = 7,
    .stepCode = RayCode(Up, 1),
    .doubleCode = RayCode(Up, 2),
    .capFileHCode = RayCode(UpTowardFileH, 1),
    .capFileACode = RayCode(UpTowardFileA, 1),
};
inline constexpr ColourFacts BlackFacts = {
    .colour = 1,
    .firstId = BlackRookH,
    .lastId = BlackPawnA,
    .enemyLo = WhiteRookA,
    .enemyHi = WhitePawnH,
    .king = BlackKing,
    .queen = BlackQueen,
    .kingRook = BlackRookH,
    .queenRook = BlackRookA,
    .knightB = BlackKnightB,
    .knightG = BlackKnightG,
    .bishopC = BlackBishopC,
    .bishopF = BlackBishopF,
    .firstPawn = BlackPawnH,
    .homeRank = 8,
    .forward = -1,
    .startRank = 7,
    .lastPushRank = 2,
    .stepCode = RayCode(Down, 1),
    .doubleCode = RayCode(Down, 2),
    .capFileHCode = RayCode(DownTowardFileH, 1),
    .capFileACode = RayCode(DownTowardFileA, 1),
};
constexpr const ColourFacts& FactsOfColour(bool white) { return white ? WhiteFacts : BlackFacts; }

// The codes as the rules name them.
static_assert(WhiteFacts.stepCode == 15 && WhiteFacts.doubleCode == 16 && WhiteFacts.capFileHCode == 22 && WhiteFacts.capFileACode == 8);
static_assert(BlackFacts.stepCode == 43 && BlackFacts.doubleCode == 44 && BlackFacts.capFileHCode == 36 && BlackFacts.capFileACode == 50);
static_assert(KingSideCastleCode == 30 && QueenSideCastleCode == 2);
// A Black back-rank id is 25 minus the White id of the same file.
static_assert(BlackRookA == 25 - WhiteRookA && BlackKing == 25 - WhiteKing && BlackQueen == 25 - WhiteQueen);
static_assert(KindOfIdAs(BlackQueen, NotPromoted) == PieceKind::Queen && KindOfIdAs(WhiteKing, NotPromoted) == PieceKind::King);
