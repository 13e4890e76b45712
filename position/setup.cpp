// Position set-up: the standard start and FEN placements, written to slice 0.
#include "position/setup.h"

#include <cstring>

#include "position/gamehistory.h"
#include "position/mossedeipezzi.h"
#include "position/variabili.h"
#include "rules/scacco.h"
#include "search/analizza.h"
#include "shell/common.h"
#include "shell/protocol.h"

namespace {

// What every new game resets besides the board and the castling rights.
void ResetGameCounters() {
    MoveHistory.clear();
    MoveNumber = 1;
    InitialTimeKnown = False;
    RemainingTime = 60000;
    InitialTime = 60000;
    ClearGameSnapshots();
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
    uint8_t board[8][8] = {};      // [file-1][rank-1] ids
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

// Highest free pawn id of a colour (a surplus piece takes it as a promoted pawn).
int HighestFreePawn(const Placement& p, bool white) {
    for (int id = white ? 16 : 32; id >= (white ? 9 : 25); --id)
        if (p.Free(id)) return id;
    return 0;
}
int LowestFreePawn(const Placement& p, bool white) {
    for (int id = white ? 9 : 25; id <= (white ? 16 : 32); ++id)
        if (p.Free(id)) return id;
    return 0;
}

// The id a piece character takes: its own ids in the usual order, then a
// pawn id as a promoted piece; 0 when none is free.
int IdFor(const Placement& p, char c, uint8_t& kind) {
    kind = NotPromoted;
    const bool white = c >= 'A' && c <= 'Z';
    int a = 0, b = 0;
    uint8_t asKind = NotPromoted;
    switch (c) {
        case 'R': a = 1; b = 8; asKind = PromRook; break;
        case 'r': a = 24; b = 17; asKind = PromRook; break;
        case 'N': a = 2; b = 7; asKind = PromKnight; break;
        case 'n': a = 18; b = 23; asKind = PromKnight; break;
        case 'B': a = 3; b = 6; asKind = PromBishop; break;
        case 'b': a = 19; b = 22; asKind = PromBishop; break;
        case 'Q': a = b = 4; asKind = PromQueen; break;
        case 'q': a = b = 21; asKind = PromQueen; break;
        case 'K': return p.Free(5) ? 5 : 0;
        case 'k': return p.Free(20) ? 20 : 0;
        case 'P': return LowestFreePawn(p, true);
        case 'p': return LowestFreePawn(p, false);
        default: return 0;
    }
    if (p.Free(a)) return a;
    if (p.Free(b)) return b;
    kind = asKind;
    return HighestFreePawn(p, white);
}

bool Refuse(std::string* why, const char* text) {
    if (why) *why = text;
    return false;
}

}  // namespace

bool SetPositionFromFen(const std::string& fen, std::string* why) {
    // 1. Split the fields: placement, side to move, castling (the rest is not read).
    size_t blank = fen.find(' ');
    std::string placement = fen.substr(0, blank);
    bool whiteToMove = true;  // a bare placement: White to move
    std::string castling = "KQkq";  // no castling field grants every right
    if (blank != std::string::npos) {
        whiteToMove = blank + 1 < fen.size() && fen[blank + 1] == 'w';
        // The castling field is the third blank-separated field.
        size_t side = fen.find_first_not_of(' ', blank);
        size_t afterSide = side == std::string::npos ? std::string::npos : fen.find(' ', side);
        size_t c0 = afterSide == std::string::npos ? std::string::npos : fen.find_first_not_of(' ', afterSide);
        if (c0 != std::string::npos) castling = fen.substr(c0, fen.find(' ', c0) - c0);
    }

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

    // 4. Ids: rooks on their corners take the corner ids first; then the
    //    squares a8..h8, a7..h1 in order, each piece its own ids, then a free
    //    pawn id as a promoted piece. A piece with no id left is not placed.
    Placement p;
    if (grid[7][0] == 'r') p.Put(24, 8, 1);
    if (grid[7][7] == 'r') p.Put(17, 8, 8);
    if (grid[0][0] == 'R') p.Put(1, 1, 1);
    if (grid[0][7] == 'R') p.Put(8, 1, 8);
    std::string unplaced;
    for (int r = 8; r >= 1; --r)
        for (int f = 1; f <= 8; ++f) {
            char c = grid[r - 1][f - 1];
            if (c == 0) continue;
            bool corner = (c == 'r' && r == 8 && (f == 1 || f == 8)) || (c == 'R' && r == 1 && (f == 1 || f == 8));
            if (corner) continue;
            uint8_t kind;
            int id = IdFor(p, c, kind);
            if (id == 0) {
                unplaced += std::string{c, static_cast<char>('a' + f - 1), static_cast<char>('0' + r), ' '};
                continue;
            }
            p.Put(id, r, f, kind);
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
    GameCastle[0] = static_cast<int16_t>((castling.find('K') != std::string::npos ? 1 : 0) | (castling.find('Q') != std::string::npos ? 2 : 0));
    GameCastle[1] = static_cast<int16_t>((castling.find('k') != std::string::npos ? 1 : 0) | (castling.find('q') != std::string::npos ? 2 : 0));
    GameEnPassant = NoEnPassant;
    if (!unplaced.empty()) Log("SetPositionFromFen", "Pezzi non piazzati (nessun id libero): " + unplaced);
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
    for (int id = 17; id <= 24; ++id) {
        Sq(8, 25 - id, 0) = static_cast<uint8_t>(id);
        Sq(7, 25 - id, 0) = static_cast<uint8_t>(id + 8);
        RankOf(id, 0) = 8;
        FileOf(id, 0) = static_cast<uint8_t>(25 - id);
        RankOf(id + 8, 0) = 7;
        FileOf(id + 8, 0) = static_cast<uint8_t>(25 - id);
    }
    GameCastle[0] = GameCastle[1] = 3;
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
