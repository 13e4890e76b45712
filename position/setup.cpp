// Position set-up: the standard start and FEN placements, written to slice 0.
#include "position/setup.h"

#include <cstring>

#include "position/gamestate.h"
#include "position/mossedeipezzi.h"
#include "position/variabili.h"
#include "rules/scacco.h"
#include "shell/common.h"

namespace {

// The FEN fields read after the placement: side to move, castling, en passant.
constexpr int FenFieldsRead = 3;
// The characters that separate those fields.
constexpr const char* FieldBlanks = " \t\r\n";
// Why a FEN whose pieces do not fit the 32 ids is refused.
constexpr const char* NoFreeId = "a piece or pawn has no free id (more than 16 pieces of a side, or more promoted pieces than missing pawns)";

// What every new game resets besides the board and the castling rights.
void ResetGameCounters() {
    MoveHistory.clear();
    MoveNumber = 1;
    InitialTimeKnown = False;
    RemainingTime = 60000;
    InitialTime = 60000;
}

// A new game's counters, and the engine's castling rights from the settings.
void ResetGameState(const char* castleDefault) {
    ResetGameCounters();
    ReadCastleRights(castleDefault);
}

void ClearAllPlies() {
    std::memset(PromotedKind, 0, sizeof PromotedKind);
    std::memset(MoveList, 0, sizeof MoveList);
    std::memset(Board, 0, sizeof Board);
}

// A candidate position, built before anything global changes.
struct Placement {
    uint8_t board[8][8] = {};  // [file-1][rank-1] ids
    uint8_t rank[32] = {}, file[32], promoted[32] = {};
    Placement() { std::memset(file, OffBoard, sizeof file); }
    bool Free(int id) const { return file[id - 1] == OffBoard; }
    void Put(int id, int r, int f, uint8_t kind = NotPromoted) {
        board[f - 1][r - 1] = static_cast<uint8_t>(id);
        rank[id - 1] = static_cast<uint8_t>(r);
        file[id - 1] = static_cast<uint8_t>(f);
        promoted[id - 1] = kind;
    }
};

// Highest free pawn id of a colour (a surplus piece takes it as a promoted
// pawn); 0 when every pawn id of that colour is held.
int HighestFreePawn(const Placement& p, bool white) {
    const int firstPawn = FactsOfColour(white).firstPawn;
    for (int id = firstPawn + PawnsPerSide - 1; id >= firstPawn; --id)
        if (p.Free(id)) return id;
    return 0;
}
int LowestFreePawn(const Placement& p, bool white) {
    const int firstPawn = FactsOfColour(white).firstPawn;
    for (int id = firstPawn; id < firstPawn + PawnsPerSide; ++id)
        if (p.Free(id)) return id;
    return 0;
}

// The own ids of a piece character in the order it takes them, and the kind
// it keeps when it has to stand on a pawn id instead (kings never do).
struct OwnIds {
    int first, second;
    uint8_t asKind;
};
OwnIds OwnIdsOf(char c) {
    switch (c) {
        case 'R': return {WhiteRookA, WhiteRookH, PromRook};
        case 'r': return {BlackRookA, BlackRookH, PromRook};
        case 'N': return {WhiteKnightB, WhiteKnightG, PromKnight};
        case 'n': return {BlackKnightG, BlackKnightB, PromKnight};
        case 'B': return {WhiteBishopC, WhiteBishopF, PromBishop};
        case 'b': return {BlackBishopF, BlackBishopC, PromBishop};
        case 'Q': return {WhiteQueen, WhiteQueen, PromQueen};
        case 'q': return {BlackQueen, BlackQueen, PromQueen};
        case 'K': return {WhiteKing, WhiteKing, NotPromoted};
        default: return {BlackKing, BlackKing, NotPromoted};  // 'k'
    }
}

// The corner id a rook standing at (r, f) takes, 0 off the corners: 1 and 8
// on a1 and h1 for White, 24 and 17 on a8 and h8 for Black.
int CornerId(char c, int r, int f) {
    if (f != FileA && f != FileH) return 0;
    if (c == 'R' && r == WhiteFacts.homeRank) return f == FileA ? WhiteFacts.queenRook : WhiteFacts.kingRook;
    if (c == 'r' && r == BlackFacts.homeRank) return f == FileA ? BlackFacts.queenRook : BlackFacts.kingRook;
    return 0;
}

// The other rook id of the colour of a rook id.
int OtherRookId(int id) {
    switch (id) {
        case WhiteRookA: return WhiteRookH;
        case WhiteRookH: return WhiteRookA;
        case BlackRookH: return BlackRookA;
        default: return BlackRookH;  // BlackRookA
    }
}

// A piece that cannot keep an own id stands on the highest free pawn id of
// its colour as a promoted pawn of its kind; false when no pawn id is free.
bool PutOnPawnId(Placement& p, bool white, uint8_t kind, int r, int f) {
    const int id = HighestFreePawn(p, white);
    if (id == 0) return false;
    p.Put(id, r, f, kind);
    return true;
}

// The id of the game's en-passant square named by the FEN's fourth field,
// (rank - 1) + 8 * (file - 1): a square the side to move could take on at
// once, i.e. rank 6 with White to move (rank 3 with Black), an unpromoted
// enemy pawn just beyond it on the same file, and it and the square behind
// it (where the pawn came from) empty. NoEnPassant for anything else.
uint8_t EnPassantFromField(const std::string& field, const Placement& p, bool whiteToMove) {
    if (field.size() != 2 || field[0] < 'a' || field[0] > 'h' || field[1] != (whiteToMove ? '6' : '3')) return NoEnPassant;
    const int f = field[0] - 'a' + 1, r = field[1] - '0';
    const int beyond = whiteToMove ? r - 1 : r + 1, behind = whiteToMove ? r + 1 : r - 1;
    const int pawn = p.board[f - 1][beyond - 1];
    const int enemyPawns = FactsOfColour(!whiteToMove).firstPawn;
    const bool enemyPawn = pawn >= enemyPawns && pawn < enemyPawns + PawnsPerSide;
    if (!enemyPawn || p.promoted[pawn - 1] != NotPromoted) return NoEnPassant;
    if (p.board[f - 1][r - 1] != 0 || p.board[f - 1][behind - 1] != 0) return NoEnPassant;
    return static_cast<uint8_t>((r - 1) + 8 * (f - 1));
}

// Castling rights of one colour from the FEN's castling field: the king-side
// letter or the h-file letter gives 1, the queen-side letter or the a-file
// letter gives 2.
int16_t CastleFromField(const std::string& field, const char* kingSide, const char* queenSide) {
    return static_cast<int16_t>((field.find_first_of(kingSide) != std::string::npos ? 1 : 0) |
                                (field.find_first_of(queenSide) != std::string::npos ? 2 : 0));
}

bool Refuse(std::string* why, const char* text) {
    if (why) *why = text;
    return false;
}

}  // namespace

bool SetPositionFromFen(const std::string& fen, std::string* why) {
    // 1. Split the fields. The placement runs to the first blank, and the one
    //    character after that blank names the side to move ("w" White, any
    //    other Black). The fields after it are taken blank-separated: side,
    //    castling, en-passant square (the clocks are not read). A bare
    //    placement is White to move with every castling right.
    const size_t blank = fen.find(' ');
    const std::string placement = fen.substr(0, blank);
    bool whiteToMove = true;
    std::string fields[FenFieldsRead] = {"w", "KQkq", "-"};
    if (blank != std::string::npos) {
        whiteToMove = blank + 1 < fen.size() && fen[blank + 1] == 'w';
        size_t at = blank;
        for (std::string& field : fields) {
            const size_t from = fen.find_first_not_of(FieldBlanks, at);
            if (from == std::string::npos) break;
            at = fen.find_first_of(FieldBlanks, from);
            field = fen.substr(from, at == std::string::npos ? std::string::npos : at - from);
            if (at == std::string::npos) break;
        }
    }
    const std::string& castling = fields[1];
    const std::string& enPassant = fields[2];

    // 2. Read the placement into an 8 x 8 grid: eight ranks of exactly eight squares.
    char grid[8][8];  // [rank-1][file-1], 0 = empty
    std::memset(grid, 0, sizeof grid);
    int rank = 8, file = 1;
    for (char c : placement) {
        if (c == '/') {
            if (file != 9 || rank == 1) return Refuse(why, "placement is not 8 ranks of 8 squares");
            --rank;
            file = 1;
        } else if (c >= '1' && c <= '8') {
            file += c - '0';
            if (file > 9) return Refuse(why, "placement is not 8 ranks of 8 squares");
        } else if (std::strchr("KQRBNPkqrbnp", c) != nullptr) {
            if (file > 8) return Refuse(why, "placement is not 8 ranks of 8 squares");
            grid[rank - 1][file - 1] = c;
            ++file;
        }
        // Any other character is ignored.
    }
    if (rank != 1 || file != 9) return Refuse(why, "placement is not 8 ranks of 8 squares");

    // 3. Kings and pawns that the rules can work with.
    int whiteKings = 0, blackKings = 0;
    for (int r = 1; r <= 8; ++r)
        for (int f = 1; f <= 8; ++f) {
            char c = grid[r - 1][f - 1];
            whiteKings += c == 'K';
            blackKings += c == 'k';
            if ((c == 'P' || c == 'p') && (r == 1 || r == 8)) return Refuse(why, "a pawn stands on the first or last rank");
        }
    if (whiteKings != 1 || blackKings != 1) return Refuse(why, "each side needs exactly one king");

    // 4. Ids, walking a8..h8, a7..h1. Each piece takes its first own id,
    //    else its second, else the highest free pawn id of its colour as a
    //    promoted pawn; each pawn the lowest free pawn id. A rook on its
    //    corner takes the corner id, which castling needs: an earlier rook
    //    holding it moves to the other rook id when free, else to a pawn id.
    //    A piece or pawn with no id left is a position no game can reach.
    Placement p;
    for (int r = 8; r >= 1; --r)
        for (int f = 1; f <= 8; ++f) {
            const char c = grid[r - 1][f - 1];
            if (c == 0) continue;
            const bool white = c >= 'A' && c <= 'Z';
            if (c == 'P' || c == 'p') {
                const int id = LowestFreePawn(p, white);
                if (id == 0) return Refuse(why, NoFreeId);
                p.Put(id, r, f);
                continue;
            }
            const int corner = CornerId(c, r, f);
            if (corner != 0) {
                if (!p.Free(corner)) {
                    const int hr = p.rank[corner - 1], hf = p.file[corner - 1], other = OtherRookId(corner);
                    p.file[corner - 1] = OffBoard;
                    if (p.Free(other))
                        p.Put(other, hr, hf);
                    else if (!PutOnPawnId(p, white, PromRook, hr, hf))
                        return Refuse(why, NoFreeId);
                }
                p.Put(corner, r, f);
                continue;
            }
            const OwnIds own = OwnIdsOf(c);
            if (p.Free(own.first))
                p.Put(own.first, r, f);
            else if (p.Free(own.second))
                p.Put(own.second, r, f);
            else if (own.asKind == NotPromoted || !PutOnPawnId(p, white, own.asKind, r, f))
                return Refuse(why, NoFreeId);
        }

    // 5. The side that is not to move must not be in check: test the
    //    candidate in the scratch slice above the current ply.
    const int q = Ply + 1;
    std::memcpy(Board[q], p.board, sizeof p.board);
    std::memcpy(PieceRank[q], p.rank, sizeof p.rank);
    std::memcpy(PieceFile[q], p.file, sizeof p.file);
    std::memcpy(PromotedKind[q], p.promoted, sizeof p.promoted);
    bool attacked = whiteToMove ? BlackKingAttacked() : WhiteKingAttacked();
    std::memset(PromotedKind[q], 0, sizeof PromotedKind[q]);
    if (attacked) return Refuse(why, "the side not to move is in check");

    // 6. Accepted: the position replaces the game position.
    ClearAllPlies();
    std::memcpy(Board[0], p.board, sizeof p.board);
    std::memcpy(PieceRank[0], p.rank, sizeof p.rank);
    std::memcpy(PieceFile[0], p.file, sizeof p.file);
    std::memcpy(PromotedKind[0], p.promoted, sizeof p.promoted);
    SideToMove = whiteToMove ? True : False;
    EngineColour = whiteToMove ? 1 : 0;
    GameCastle[0] = CastleFromField(castling, "KH", "QA");
    GameCastle[1] = CastleFromField(castling, "kh", "qa");
    GameEnPassant = EnPassantFromField(enPassant, p, whiteToMove);
    ResetGameState("3");
    VELMOR_ASSERT_POSITION(0, "SetPositionFromFen");
    StampaPosizione();
    if (why) why->clear();
    return true;
}

void ReadCastleRights(const char* castleDefault) {
    CastleRights = static_cast<int16_t>(SettingToInt(ReadSetting("General", "CanCastle", castleDefault), SettingToInt(castleDefault)) & 3);
}

namespace {

// The pieces of the standard start on slice 0, every other ply emptied,
// with the full castling rights of a new game and no en-passant square.
void PlaceInitialPieces() {
    // 1. Empty every ply.
    ClearAllPlies();
    // 2. Every piece off the board.
    std::memset(PieceFile[0], OffBoard, sizeof PieceFile[0]);
    // 3.-4. White 1..8 on rank 1 from file a, pawns 9..16 on rank 2; Black
    //       17..24 on rank 8 from file h, pawns 25..32 on rank 7 from file h.
    for (int f = 1; f <= 8; ++f) {
        Sq(1, f, 0) = static_cast<uint8_t>(f);
        Sq(2, f, 0) = static_cast<uint8_t>(f + 8);
        RankOf(f, 0) = 1;
        FileOf(f, 0) = static_cast<uint8_t>(f);
        RankOf(f + 8, 0) = 2;
        FileOf(f + 8, 0) = static_cast<uint8_t>(f);
    }
    for (int id = BlackRookH; id <= BlackRookA; ++id) {
        const int file = BlackRookA + 1 - id;  // 25 - id: file h for 17 .. file a for 24
        Sq(8, file, 0) = static_cast<uint8_t>(id);
        Sq(7, file, 0) = static_cast<uint8_t>(id + PawnsPerSide);
        RankOf(id, 0) = 8;
        FileOf(id, 0) = static_cast<uint8_t>(file);
        RankOf(id + PawnsPerSide, 0) = 7;
        FileOf(id + PawnsPerSide, 0) = static_cast<uint8_t>(file);
    }
    GameCastle[0] = GameCastle[1] = BothCastleRights;
    GameEnPassant = NoEnPassant;
}

}  // namespace

void SetInitialPosition() {
    PlaceInitialPieces();
    // 5.-7. History, castling from the settings, counter and clocks.
    ResetGameState("1");
    VELMOR_ASSERT_POSITION(0, "SetInitialPosition");
}

void SetStartupPosition() {
    PlaceInitialPieces();
    SideToMove = True;
    ResetGameCounters();
    VELMOR_ASSERT_POSITION(0, "SetStartupPosition");
}
