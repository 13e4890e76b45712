// libFuzzer targets for the engine's input paths, one program per path (FUZZ_PATH
// names it): protocol text, FEN, move text, book and settings files. The position
// invariant is checked throughout; a broken property aborts, so the input is kept.
#include <fuzzer/FuzzedDataProvider.h>
#include <sys/mman.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <string>
#include <vector>
#include "book/book.h"
#include "platform/folder.h"
#include "platform/profile.h"
#include "position/generate.h"
#include "position/mossedeipezzi.h"
#include "position/setup.h"
#include "rules/makemove.h"
#include "rules/scacco.h"
#include "search/analizza.h"
#include "shell/common.h"
#include "shell/gamehistory.h"
#include "shell/main.h"
#include "shell/notation.h"
#include "shell/protocol.h"

namespace {
[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz property broken: %s\n", what.c_str());
    std::abort();
}
#define CHECK(cond, what) ((cond) ? void() : Fail(what))

constexpr size_t npos = std::string::npos;
int Out = -1;  // a memory file standing in for standard output
int ThinkDepth = 1;
using Moves = std::vector<std::pair<std::string, std::string>>;

std::string Bytes(const void* p, size_t n) { return std::string(static_cast<const char*>(p), n); }

void WriteBeside(const std::string& name, const std::string& data) {
    if (!(std::ofstream(ProgramFolder() + "/" + name, std::ios::binary) << data)) Fail("cannot write " + name);
}

std::string TakeOutput() {
    std::string out(static_cast<size_t>(std::max<off_t>(lseek(Out, 0, SEEK_END), 0)), '\0');
    CHECK(pread(Out, out.data(), out.size(), 0) == static_cast<ssize_t>(out.size()) && ftruncate(Out, 0) == 0 &&
              lseek(Out, 0, SEEK_SET) == 0,
          "cannot use the output file");
    return out;
}

// The state of a process that has just seen "new" and "force".
void FreshGame() {
    Ply = 0, LogLevel = 0, EngineColour = 1;
    std::fill(MoveCount, MoveCount + MaxPly + 1, 0);
    SetInitialPosition();
    ClearGameSnapshots();  // as "new" does: nothing of an earlier input to take back
    SideToMove = ProtocolMode = True;
    EngineActive = StopRequested = UseTime = BookEnabled = False;
    RootMoves.assign(1, MoveRecord{0, 0, 0, 0, 0});
}

// The game position is sound: invariant of slice 0, Ply 0, every list empty.
void CheckSound(const std::string& where) {
    CHECK(!*PositionInvariantFault(0), where + ": " + PositionInvariantFault(0));
    CHECK(Ply == 0 && std::count(MoveCount, MoveCount + MaxPly + 1, 0) == MaxPly + 1, where + ": Ply or a list not cleared");
}

// Slice p as bytes; the stale ranks of pieces off the board only when asked.
std::string Slice(int p, bool stale) {
    uint8_t rank[32];
    for (int i = 0; i < 32; ++i) rank[i] = stale || PieceFile[p][i] != OffBoard ? PieceRank[p][i] : 0;
    return Bytes(Board[p], 64) + Bytes(PieceFile[p], 32) + Bytes(rank, 32) + Bytes(PromotedKind[p], 32);
}

// Everything of the game a refused input must not change.
std::string Game() {
    const int16_t v[] = {!SideToMove, !EngineActive, CastleRights, GameCastle[0], GameCastle[1], MoveNumber, EngineColour,
                         GameEnPassant};
    return Slice(0, true) + Bytes(v, sizeof v) + MoveHistory;
}

// Perft from the current ply: the invariant after every MakeMove, lists emptied, parents' boards kept.
void CheckedPerft(int depth) {
    const int p = Ply;
    const std::string board = Bytes(Board[p], 64);
    GenerateMoves();
    CHECK(MoveCount[p] <= MaxMovesPerPly, "MoveCount above the list size");
    for (int n = MoveCount[p]; n > 0; --n) {
        const Bool16 legal = MakeMove();
        CHECK(!*PositionInvariantFault(p + 1), std::string("after MakeMove: ") + PositionInvariantFault(p + 1));
        if (legal && depth > 1) EnterPly(), CheckedPerft(depth - 1), LeavePly();
        PopMove();
    }
    CHECK(MoveCount[p] == 0 && Bytes(Board[p], 64) == board, "perft left a move in a list or changed a parent's board");
}

// The game position's legal moves as text (promotion letter too) with MakeMove's slice; nothing changed.
Moves LegalMoves() {
    const size_t roots = RootMoves.size();
    const int32_t analysed = PositionsAnalysed;
    Moves legal;
    for (GenerateMoves(); MoveCount[0] > 0; PopMove()) {
        const MoveRecord m = MoveList[0][MoveCount[0]];
        std::string text = MoveToText(m.Piece, m.MoveCode);
        if (m.Promotion >= 1 && m.Promotion <= 4) text += "qrbn"[m.Promotion - 1];
        if (MakeMove()) legal.emplace_back(text, Slice(1, false));
    }
    std::memset(PromotedKind[1], 0, 32);
    RootMoves.resize(roots);
    PositionsAnalysed = analysed;
    return legal;
}

// A move text: IsLegalGameMove changes nothing and agrees with the generated moves; a text not playable
// changes nothing, a legal one gives MakeMove's slice, a playable one passes the turn; the game stays sound.
void PlayChecked(const std::string& text) {
    const std::string before = Game();
    const bool playable = MoveTextPlayable(text), legal = IsLegalGameMove(text);
    CHECK(Game() == before && MoveCount[0] == 0, "IsLegalGameMove changed the game");
    CHECK(!legal || playable, "a legal move text is not playable: " + text);
    std::string made;
    if (legal)
        for (const auto& [t, slice] : LegalMoves()) made = t == text ? slice : made;
    CHECK(legal == !made.empty() || text.size() == 5, "IsLegalGameMove and the generated moves disagree: " + text);
    const bool white = SideToMove != False;
    PlayMoveText(text);
    CheckSound("after PlayMoveText " + text);
    if (!playable) return CHECK(Game() == before, "a move text that is not playable changed the game: " + text);
    CHECK((SideToMove != False) != white, "a played move did not pass the turn");
    CHECK(made.empty() || Slice(0, false) == made, "PlayMoveText and MakeMove give other slices: " + text);
}

// The pieces of protocol text not yet read. All of the text is written at
// once, so whatever a think has not read by its end has arrived during it:
// the think's last look at the input takes every piece still unread, as the
// engine's look at a pipe would, and acts on what is queued.
std::deque<std::string> Unread;
void LookAtUnreadPieces() {
    while (!Unread.empty()) {
        std::string piece = std::move(Unread.front());
        Unread.pop_front();
        ParseCommand(piece);
    }
    ParseCommand("");
}

// Protocol text fed in the pieces cuts makes, the game sound after each.
std::pair<std::string, std::string> Run(const std::string& text, std::vector<size_t> cuts) {
    FreshGame();
    Reporter.LastLook = LookAtUnreadPieces;
    cuts.push_back(text.size());
    for (size_t i = 0, from = 0; i < cuts.size(); from = cuts[i++]) Unread.push_back(text.substr(from, cuts[i] - from));
    while (!Unread.empty()) {
        std::string piece = std::move(Unread.front());
        Unread.pop_front();
        ParseCommand(piece);
        CheckSound("after a piece of protocol text");
    }
    ParseCommand("\n");  // ends a last unfinished line, so the next input starts clean
    CheckSound("after the protocol text");
    return {TakeOutput(), Game()};
}

std::string Trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r"), e = s.find_last_not_of(" \t\r");
    return b == npos ? "" : s.substr(b, e - b + 1);
}
bool SameName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}
}  // namespace

namespace path {
// Protocol text, whole and cut where the input says: both runs write the same
// bytes and leave the same game, and every reply is line feed, text, line feed.
void protocol(FuzzedDataProvider& in) {
    std::vector<size_t> cuts(in.ConsumeIntegralInRange<size_t>(0, 12));
    for (size_t& c : cuts) c = in.ConsumeIntegral<uint16_t>();
    std::string text = in.ConsumeRemainingBytesAsString();
    for (size_t at = text.find("quit"); at != npos; at = text.find("quit", at + 1)) text[at] = 'Q';  // "quit" ends the process
    for (size_t& c : cuts) c %= text.size() + 1;
    std::sort(cuts.begin(), cuts.end());
    const auto whole = Run(text, {});
    CHECK(Run(text, cuts) == whole, "the replies or the game depend on how the text was cut");
    for (size_t i = 0; i < whole.first.size(); i = whole.first.find('\n', i + 1) + 1)
        CHECK(whole.first[i] == '\n' && whole.first.find('\n', i + 1) != npos, "a reply is not framed by line feeds");
}

// A refused FEN has a reason and changes nothing; an accepted one gives a sound
// game with no history, the side not to move out of check, and a sound perft.
void fen(FuzzedDataProvider& in) {
    if (in.remaining_bytes() > 4096) return;
    FreshGame();
    const std::string before = Game();
    std::string why;
    const bool accepted = SetPositionFromFen(in.ConsumeRemainingBytesAsString(), &why);
    CheckSound("after SetPositionFromFen");
    if (!accepted) return CHECK(!why.empty() && Game() == before, "a refused FEN without a reason or with a change");
    std::memcpy(Board[1], Board[0], 64);  // the attack tests look at ply 1
    for (auto* a : {PieceFile, PieceRank, PromotedKind}) std::memcpy(a[1], a[0], 32);
    CHECK(MoveHistory.empty() && !(SideToMove ? BlackKingAttacked() : WhiteKingAttacked()),
          "a FEN accepted with a move history or the side not to move in check");
    std::memset(PromotedKind[1], 0, 32);
    if (GameEnPassant != NoEnPassant) {  // an empty square with an enemy pawn beyond it
        const int r = GameEnPassant % 8 + 1, f = GameEnPassant / 8 + 1, beyond = SideToMove ? 5 : 4;
        const int pawn = f <= 8 ? Sq(beyond, f, 0) : 0;
        CHECK(r == (SideToMove ? 6 : 3) && Sq(r, f, 0) == 0 && IsPawnId(pawn) && IsWhiteId(pawn) == !SideToMove,
              "an en-passant square no pawn could have passed over");
    }
    CheckedPerft(2);
    CheckSound("after the perft");
}

// Move texts on positions reached by random legal moves from a few starts;
// then a depth 1 or 2 think answers a legal move of whatever that left.
void movetext(FuzzedDataProvider& in) {
    static const char* const starts[] = {
        "", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
        "4k3/8/8/8/8/8/8/4K2R w K - 0 1"};
    Reporter = XboardReporter();  // the move and results on standard output, as in a game
    Reporter.DepthLimit = [] { return ThinkDepth; };
    FreshGame();
    const char* start = starts[in.ConsumeIntegralInRange<size_t>(0, 5)];
    CHECK(!*start || SetPositionFromFen(start), "a start position was refused");
    for (int i = in.ConsumeIntegralInRange<int>(0, 40); i > 0; --i) {
        Moves legal = LegalMoves();
        if (legal.empty()) break;
        std::sort(legal.begin(), legal.end());
        PlayChecked(legal[in.ConsumeIntegral<uint8_t>() % legal.size()].first);
    }
    for (int i = in.ConsumeIntegralInRange<int>(0, 8); i > 0; --i) PlayChecked(in.ConsumeRandomLengthString(8));
    const Moves legal = LegalMoves();
    CheckedPerft(2);
    CheckSound("after the perft");
    ThinkDepth = in.ConsumeIntegralInRange<int>(0, 7) == 0 ? 2 : 1;
    Analizza();
    CheckSound("after the think");
    const bool found = std::any_of(legal.begin(), legal.end(), [](const auto& m) { return m.first == BestMoveText; });
    CHECK(legal.empty() ? BestMoveText.empty() : found, "the engine's move is not a legal one: '" + BestMoveText + "'");
}

// Book files of any content after random legal histories (from the start or a set-up): the lines are the
// file's, BookMove changes nothing, an answer is a legal move continuing a line, none turns the book off.
void book(FuzzedDataProvider& in) {
    const bool fromFen = in.ConsumeBool();
    const std::vector<uint8_t> picks = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 12));
    const std::string file = in.ConsumeRemainingBytesAsString();
    WriteBeside("book.txt", file);
    LoadBook();
    std::string want, got;  // CR LF, CR or LF ends a line
    for (size_t i = 0; i < file.size(); ++i)
        if (file.compare(i, 2, "\r\n") != 0) want += file[i] == '\r' ? '\n' : file[i];
    if (!want.empty() && want.back() != '\n') want += '\n';
    for (size_t i = 1; i < BookLines.size(); ++i) got += BookLines[i] + '\n';
    const size_t lines = std::count(want.begin(), want.end(), '\n');
    CHECK(BookLines.size() == lines + 1 && BookLines[0].empty() && got == want, "the book's lines are not the file's");
    FreshGame();
    CHECK(!fromFen || SetPositionFromFen("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"),
          "the set-up position was refused");
    for (uint8_t pick : picks) {
        const Moves legal = LegalMoves();
        if (legal.empty()) break;
        MoveHistory += legal[pick % legal.size()].first.substr(0, 4);  // as "usermove" records it
        PlayMoveText(legal[pick % legal.size()].first);
    }
    const std::string before = Game();
    const size_t roots = RootMoves.size();
    BookEnabled = True;
    const std::string answer = BookMove();
    CHECK(Game() == before && RootMoves.size() == roots, "BookMove changed the game");
    CheckSound("after BookMove");
    if (answer.empty()) return CHECK(BookEnabled == False, "no book move but the book is still on");
    CHECK(BookEnabled != False && IsLegalGameMove(answer), "a book move switched the book off or is not legal: " + answer);
    const auto continues = [&](const std::string& line) { return line.starts_with(MoveHistory + answer); };
    CHECK(std::any_of(BookLines.begin() + 1, BookLines.end(), continues),
          "the book answered a move that continues no line: " + answer);
}

// Settings files of any content, read by every key the engine asks for: a value is usable (not empty, at
// most 254 characters, no line feed or zero byte, no blanks at its ends; a lone CR inside a line is kept).
// A value written under any name reads back (cut at a line end, trimmed); the other keys read as before.
void settings(FuzzedDataProvider& in) {
    static const char* const keys[][3] = {// every key the engine reads, with each default it is read with
                                          {"Log", "Enabled", "0"},
                                          {"Log", "Level", "0"},
                                          {"Book", "Enabled", "1"},
                                          {"Time", "Enabled", "1"},
                                          {"General", "Profondita", "4"},
                                          {"General", "Profondita", "2"},
                                          {"General", "CanCastle", "1"},
                                          {"General", "CanCastle", "3"},
                                          {"Print", "Position", "N"}};
    const std::string section = in.ConsumeRandomLengthString(12), key = in.ConsumeRandomLengthString(12),
                      value = in.ConsumeRandomLengthString(300), ini = ProgramFolder() + "/Velmorasca.ini";
    WriteBeside("Velmorasca.ini", in.ConsumeRemainingBytesAsString());
    std::vector<std::string> first;
    for (const auto& k : keys) {
        const std::string v = ReadSetting(k[0], k[1], k[2]);
        CHECK(!v.empty() && v.size() <= ProfileValueMax && v.find_first_of(std::string("\n\0", 2)) == npos && Trim(v) == v,
              std::string("an unusable value of ") + k[1]);
        (void)SettingToInt(v, 0), (void)LeadingNumber(v);
        first.push_back(v);
    }
    std::string back, want = Trim(value.substr(0, value.find_first_of(std::string("\r\n\0", 3))));
    if (want.size() > ProfileValueMax) want = Trim(want.substr(0, ProfileValueMax));
    const bool stored = ProfileWrite(ini, section, key, value), found = ProfileRead(ini, section, key, back);
    CHECK(!stored || (found && back == want), "a written value does not read back");
    for (size_t i = 0; i < first.size(); ++i)
        CHECK((SameName(Trim(section), keys[i][0]) && SameName(Trim(key), keys[i][1])) ||
                  (ProfileRead(ini, keys[i][0], keys[i][1], back) && back == first[i]),
              std::string("a write changed ") + keys[i][1]);
}
}  // namespace path

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    WriteBeside("Velmorasca.ini",
                "[Log]\nEnabled=0\nLevel=0\n[Book]\nEnabled=0\n[Time]\nEnabled=0\n"
                "[General]\nProfondita=1\nCanCastle=1\n[Print]\nPosition=N\n");
    Out = memfd_create("velmor-fuzz-stdout", 0);
    CHECK(Out >= 0 && dup2(Out, STDOUT_FILENO) >= 0, "cannot redirect standard output");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    TakeOutput();  // drops the last input's replies
    return path::FUZZ_PATH(in), 0;
}
