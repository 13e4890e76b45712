// The engine window's handlers on a real window under Xvfb. velmorasca-window-test CASE copies itself
// into a fresh folder (the engine keeps its settings and log beside the program) and runs the case there
// on an Xvfb display of its own, through the real start-up (Main) into window mode. Exit status 77
// (skipped) when Xvfb cannot be started.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_File_Input.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Return_Button.H>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <list>
#include <regex>
#include <sstream>
#include <string>

#include "platform/msgbox.h"
#include "platform/profile.h"
#include "position/variabili.h"
#include "search/analizza.h"
#include "shell/main.h"
#include "shell/protocol.h"
#include "window/boardview.h"
#include "window/display.h"
#include "window/formrules.h"
#include "window/frm_engine.h"

namespace {

namespace fs = std::filesystem;
const std::string MiddleGame = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1\n";
const std::string Hyphens(67, '-');
int Failures = 0;

void Check(bool ok, const char* what, int line, const std::string& detail = "") {
    if (!ok) ++Failures, std::fprintf(stderr, "  line %d: failed: %s  %s\n", line, what, detail.c_str());
}
// Compared as text, so that C strings and numbers of any width compare by value.
std::string Str(const std::string& s) { return s; }
std::string Str(const char* s) { return s ? s : "(null)"; }
template <class T> std::string Str(T v) { return std::to_string(v); }
#define CHECK(c) Check((c), #c, __LINE__)
#define CHECK_EQ(a, b) Check(Str(a) == Str(b), #a " == " #b, __LINE__, "got \"" + Str(a) + "\", want \"" + Str(b) + "\"")

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}
void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Values of Velmorasca.ini for "Section/Key ...", blank-separated; "-" for one that is absent.
std::string Settings(const std::string& keys) {
    std::string values, k, v;
    for (std::istringstream in(keys); in >> k;)
        values += (values.empty() ? "" : " ") +
                  (ProfileRead("Velmorasca.ini", k.substr(0, k.find('/')), k.substr(k.find('/') + 1), v) ? v : "-");
    return values;
}

std::string LogText() { return ReadFile("Velmorasca.log"); }
long LogCount(const std::string& entry) {  // the log's lines that have " source: message..." in them
    const std::string log = LogText();
    const std::regex line(" " + entry);
    return std::distance(std::sregex_iterator(log.begin(), log.end(), line), std::sregex_iterator());
}
// The depths at which thinks were interrupted, each after a blank.
std::string Interrupted() {
    std::string log = LogText(), depths;
    for (std::smatch m; std::regex_search(log, m, std::regex("Interrotto alla profondit[^ ]* ([0-9]+)")); log = m.suffix())
        depths += " " + m[1].str();
    return depths;
}

frm_engine& W() { return *EngineForm; }
std::string Label(Fl_Widget* w) { return w->label() ? w->label() : ""; }
void Press(Fl_Widget* w) { w->do_callback(); }  // what FLTK does on a click
void Type(Fl_Input* input, const std::string& text) { input->value(text.c_str()); }
std::string BoardSnapshot() { return std::string(reinterpret_cast<const char*>(Board[0]), sizeof Board[0]); }
std::string Cwd() { return fs::current_path().string(); }

// The window's list, each line after a newline.
std::string ListText() {
    std::string text;
    for (int i = 1; i <= W().log->size(); ++i) text += "\n" + std::string(W().log->text(i));
    return text;
}
std::string LastListLine() { return ListText().substr(ListText().rfind('\n') + 1); }
bool ListHas(const std::string& prefix) { return ListText().find("\n" + prefix) != std::string::npos; }
// The final report: the best move's line between two hyphen lines.
bool HasFinalReport(const std::string& move) {
    return std::regex_search(ListText(), std::regex("\n-{67}\nMossa migliore: " + move + "[^\n]*\n-{67}(\n|$)"));
}

// The controls in one line: log level, depth, book, colour, time, seconds, then the buttons enabled.
std::string Controls() {
    frm_engine& w = W();
    return Str(w.cbo_loglevel->value()) + " " + w.tx_depth->value() + " " + Str(w.chk_book->value()) + " " +
           Str(w.cbo_colore->value()) + " " + Str(w.chk_time->value()) + " " + w.tx_time->value() +
           (w.cb_stop->active() ? " stop" : "") + (w.cb_compute->active() ? " compute" : "");
}

// fn runs when the window's events are next processed, s seconds on or later, and again every tenth of a
// second until it returns true. Jobs are kept to the end, so that no timeout names a freed one.
std::list<std::function<bool()>> Jobs;
void Fire(void* job) {
    if (!(*static_cast<std::function<bool()>*>(job))()) Fl::repeat_timeout(0.1, Fire, job);
}
void* Poll(double s, std::function<bool()> fn) {
    Fl::add_timeout(s, Fire, &Jobs.emplace_back(std::move(fn)));
    return &Jobs.back();
}

// The first widget at or under w for which is() holds.
Fl_Widget* Find(Fl_Widget* w, const std::function<bool(Fl_Widget*)>& is) {
    if (is(w)) return w;
    for (int i = 0; w->as_group() && i < w->as_group()->children(); ++i)
        if (Fl_Widget* found = Find(w->as_group()->child(i), is)) return found;
    return nullptr;
}

// Runs load, which is to show a message box, and returns the texts shown before its button, then the
// button's label in brackets; the button then closes the box. Empty when no box was shown.
std::string MessageFrom(const std::function<void()>& load) {
    std::string text;
    void* job = Poll(0.1, [&] {
        Fl_Widget* ok = !Fl::modal() ? nullptr : Find(Fl::modal(), [&](Fl_Widget* w) {
            if (!dynamic_cast<Fl_Button*>(w)) text += Label(w) + "\n";
            return dynamic_cast<Fl_Button*>(w) && w->visible();
        });
        return ok && (text += "[" + Label(ok) + "]", Press(ok), true);
    });
    load();
    Fl::remove_timeout(Fire, job);
    return text;
}

// The file dialog, once open: path typed in its name field, then OK (which comes after the field); Cancel
// when path is empty.
void InFileDialog(const std::string& path) {
    Poll(0.1, [=] {
        Fl_Widget* button = !W().cd1 || !W().cd1->shown() ? nullptr : Find(Fl::modal(), [&](Fl_Widget* w) {
            if (auto* name = dynamic_cast<Fl_File_Input*>(w)) name->value(path.c_str());
            return path.empty() ? Label(w) == fl_cancel : dynamic_cast<Fl_Return_Button*>(w) != nullptr;
        });
        return button && (Press(button), true);
    });
}

// Runs stop() half a second into the think about to start, or later once the status shows a count (a
// loaded machine may not reach the first one in half a second); seen gets the controls and status then.
void StopLater(std::string& seen, std::function<void()> stop) {
    Poll(0.5, [&seen, stop] {
        if (W().Thinking() && Label(W().lb_status).empty()) return false;
        seen = Controls() + (W().Thinking() ? " thinking " : " ") + Label(W().lb_status);
        return stop(), true;
    });
}

// After the thinks so far were stopped at depths below 8: a move reported, the controls back.
void CheckStopped(const char* depths) {
    CHECK(std::regex_match(Interrupted(), std::regex(depths)));
    CHECK(!BestMoveText.empty() && HasFinalReport(BestMoveText + ", punteggio: "));
    CHECK(!W().Thinking() && !W().cb_stop->active() && W().cb_compute->active());
}

// The board as it shows: ranks 8 to 1, files a to h, White's pieces in capitals, "." for empty, one
// blank between ranks; then the marked squares: "*" the chosen one, "+" the last move's.
std::string BoardShown() {
    std::string shown, marks;
    for (int rank = 8; rank >= 1; --rank) {
        shown += rank == 8 ? "" : " ";
        for (int file = 1; file <= 8; ++file) {
            const SquareView v = BoardSquareView(file, rank);
            shown += !v.piece ? '.' : v.white ? v.piece
                                              : static_cast<char>(v.piece - 'A' + 'a');
            const std::string square{static_cast<char>('a' + file - 1), static_cast<char>('0' + rank)};
            if (v.selected) marks += " *" + square;
            if (v.lastMove) marks += " +" + square;
        }
    }
    return shown + marks;
}
const std::string StartShown = "rnbqkbnr pppppppp ........ ........ ........ ........ PPPPPPPP RNBQKBNR";

// A left click at the centre of a square, through FLTK's own event dispatch from the window down.
void ClickSquare(const char* square) {
    int x, y;
    SquareCentre(square[0] - 'a' + 1, square[1] - '0', &x, &y);
    Fl::e_x = x, Fl::e_y = y, Fl::e_x_root = W().x() + x, Fl::e_y_root = W().y() + y;
    Fl::e_keysym = FL_Button + FL_LEFT_MOUSE;
    Fl::e_state = FL_BUTTON1;
    Fl::handle(FL_PUSH, &W());
    Fl::e_state = 0;
    Fl::handle(FL_RELEASE, &W());
}

// The widget's label fits its width, less the 3 pixels a label keeps from each side.
bool LabelFits(Fl_Widget* w) { return LabelWidth(w) > 0 && LabelWidth(w) + 6 <= w->w(); }

struct Case {
    const char* Name;
    const char* Ini;  // the settings file before start-up, if any
    std::function<void()> Body;
};

const std::vector<Case> Cases = {
    {"form_load", nullptr, [] {
         // No settings file before start-up: the window seeds it and shows the defaults.
         CHECK_EQ(Settings("Log/Level General/Profondita Book/Enabled"), "0 2 1");
         CHECK_EQ(Controls(), "0 2 1 0 0 60 compute");
         // Stored values; those the controls cannot show are brought into their range.
         for (auto [level, depth, book, shown] : {std::tuple{"3", "7", "0", "3 7 0"}, {"9", "500", "1", "4 98 1"}, {"-1", "4.0", "0", "0 4 0"}, {"x", "abc", "1", "0 2 1"}}) {
             WriteFile("Velmorasca.ini", std::string("[Log]\nLevel=") + level + "\n[General]\nProfondita=" + depth +
                                             "\n[Book]\nEnabled=" + book + "\n");
             W().Form_Load();
             CHECK_EQ(Controls(), shown + std::string(" 0 0 60 compute"));
         }
     }},

    {"compute_black", "[Book]\nEnabled=0\n", [] {
         W().cbo_colore->value(1);  // "Nero"
         W().cbo_loglevel->value(1);
         Type(W().tx_depth, "3");
         Press(W().cb_compute);
         CHECK_EQ(Settings("Log/Level General/Profondita Time/Enabled Book/Enabled"), "1 3 0 0");
         // Black moved from the start position: the piece now on the target square is black.
         const std::string& m = BestMoveText;
         CHECK(std::regex_match(m, std::regex("[a-h][78][a-h][1-8]")) && Sq(m[3] - '0', m[2] - 'a' + 1, 0) >= 17 &&
               Sq(m[3] - '0', m[2] - 'a' + 1, 0) <= 32);
         CHECK(MoveHistory == m && HasFinalReport(m + ", punteggio: "));
         // Every one of Black's 20 first moves is listed before the report.
         const std::string list = ListText();
         const std::regex root("\n[a-h][1-8][a-h][1-8]( Valore: -?[0-9]+| Tagliata o illegale)(?=\n|$)");
         CHECK_EQ(std::distance(std::sregex_iterator(list.begin(), list.end(), root), std::sregex_iterator()), 20);
         CHECK(std::regex_match(Label(W().lb_status), std::regex("Analizzate [0-9]+ posizioni in [0-9]+ millisecondi")));
         CHECK_EQ(Controls(), "1 3 0 0 0 60 compute");  // White is to move now
     }},

    {"book_move", "[Book]\nEnabled=0\n", [] {
         // The book was not read at start-up; ticking the box brings it in, and it answers for each side.
         WriteFile("book.txt", "e2e4e7e5\n");
         W().chk_book->value(1);
         Press(W().cb_compute);
         Press(W().cb_compute);
         const std::string frame = "\n" + Hyphens;
         CHECK_EQ(ListText(), frame + "\nMossa Libro: e2e4" + frame + frame + "\nMossa Libro: e7e5" + frame);
         CHECK_EQ(Settings("Book/Enabled") + " " + MoveHistory + " " + Controls(), "1 e2e4e7e5 0 2 1 0 0 60 compute");
     }},

    {"log_and_typed_moves", "[Log]\nLevel=1\n", [] {
         // Log...: a viewer that starts says nothing; one that does not, or a log not yet there, is told.
         W().ViewerProgram = "true";
         Press(W().cb_log);
         W().ViewerProgram = "/nonexistent/viewer";
         Press(W().cb_log);
         fs::remove(LogFilePath);  // written at start-up, and again on the next line logged
         W().ViewerProgram = "true";
         Press(W().cb_log);
         CHECK_EQ(ListText(), "\nNon riesco ad aprire il log con /nonexistent/viewer: " + LogFilePath +
                                  "\nIl log non esiste ancora: " + LogFilePath);
         const std::string before = BoardSnapshot();
         // Text that is not a legal move is refused in the list; "?" with nothing to stop does nothing.
         for (const std::string typed : {"e9e4", "i2i4", "e3e4", "zz", "", "e1e8", "e2e5", "e7e5", "e2e4q", "?"}) {
             const int lines = W().log->size();
             Type(W().Text1, typed);
             Press(W().Command1);
             const bool refused = W().log->size() == lines + 1 && LastListLine().rfind("Mossa rifiutata: " + typed, 0) == 0;
             Check(typed == "?" ? W().log->size() == lines : refused, "refused", __LINE__, typed + ": " + LastListLine());
             CHECK(MoveHistory.empty() && BoardSnapshot() == before);
         }
         // A real move is played and the engine answers for Black.
         W().cbo_loglevel->value(2);
         Type(W().Text1, "e2e4");
         Press(W().Command1);
         CHECK(MoveHistory.size() == 8 && MoveHistory.rfind("e2e4", 0) == 0 && HasFinalReport(MoveHistory.substr(4)));
         CHECK(Sq(4, 5, 0) >= 9 && Sq(4, 5, 0) <= 16 && Sq(2, 5, 0) == 0);  // the white pawn from e2 on e4
         CHECK(Settings("Log/Level") == "2" && LogCount("ParseCommand: Mossa avversario: e2e4") == 1);
         CHECK(SideToMove != 0 && W().cbo_colore->value() == 0);
     }},

    {"position_files", nullptr, [] {
         const std::string start = BoardSnapshot();
         InFileDialog("");  // cancelled: nothing changes
         Press(W().cb_caricaposizione);
         CHECK(BoardSnapshot() == start && Label(W().lb_prob).empty());
         // A sound file: side to move from its first line, its full path shown.
         WriteFile("black.fen", "4k3/8/8/8/8/8/4P3/4K3 b - - 0 1\r\nsecond line ignored\r\n");
         CHECK(W().LoadPositionFile("black.fen") && Label(W().lb_prob) == Cwd() + "/black.fen");
         CHECK(W().cbo_colore->value() == 1 && Sq(2, 5, 0) != 0 && Sq(8, 5, 0) != 0 && Sq(1, 1, 0) == 0);
         const std::string loaded = BoardSnapshot();
         // Files that give no position: a message box, position and path kept.
         WriteFile("empty.fen", "");
         WriteFile("blank.fen", "\r\n" + MiddleGame);
         WriteFile("nokings.fen", "8/8/8/8/8/8/8/8 w - - 0 1\n");
         WriteFile("long.fen", std::string(10000, 'p'));
         fs::create_directory("folder.fen");
         for (auto [file, says] : {std::pair{"missing.fen", "Non riesco ad aprire il file"},
                                   {"folder.fen", "Non riesco ad aprire il file"},
                                   {"empty.fen", "la prima riga è vuota"},
                                   {"blank.fen", "la prima riga è vuota"},
                                   {"nokings.fen", "Posizione rifiutata"},
                                   {"long.fen", "troppo lunga"}}) {
             bool loadedIt = true;
             const std::string box = MessageFrom([&] { loadedIt = W().LoadPositionFile(file); });
             Check(!loadedIt && box.find(says) != std::string::npos && box.ends_with("\n[OK]"), "refused, with why",
                   __LINE__, file + (": " + box));
             CHECK(BoardSnapshot() == loaded && Label(W().lb_prob) == Cwd() + "/black.fen");
         }
         // The start-up's message box (an unknown command-line word) is the same: its text, then "OK".
         const std::string box = MessageFrom([] { CHECK(MessageBoxHook("Velmorasca", "Comando sconosciuto: --x")); });
         Check(box.find("\nComando sconosciuto: --x\n") != std::string::npos && box.ends_with("\n[OK]"),
               "the start-up's box", __LINE__, box);
     }},

    {"deep_think", "[Log]\nLevel=1\n[Book]\nEnabled=0\n", [] {
         // The position is chosen in the file dialog, which starts in Posizioni.
         fs::create_directory("Posizioni");
         WriteFile("Posizioni/middle.fen", MiddleGame);
         InFileDialog(Cwd() + "/Posizioni/middle.fen");
         Press(W().cb_caricaposizione);
         CHECK(std::regex_match(std::string(W().cd1->directory()), std::regex(".*/Posizioni/?")));
         CHECK(Label(W().lb_prob) == Cwd() + "/Posizioni/middle.fen" && Sq(5, 4, 0) != 0);  // a white pawn on d5
         // Stop half a second into a depth-8 think here, which takes far longer.
         Type(W().tx_depth, "8");
         std::string seen, history, nested;
         StopLater(seen, [] { Press(W().cb_stop); });
         Press(W().cb_compute);
         CHECK(std::regex_match(seen, std::regex("1 8 0 0 0 60 stop thinking Analizzate [0-9]+0000 posizioni")));
         CheckStopped(" [1-7]");
         // "?" typed ends the next one; inside it no other think starts, nor is a move played.
         const std::string first = BestMoveText;
         W().log->clear();
         StopLater(seen, [&] {
             history = MoveHistory;
             Press(W().cb_compute);
             Type(W().Text1, "e2e3");
             Press(W().Command1);
             nested = ListText();
             Type(W().Text1, "?");
             Press(W().Command1);
         });
         Press(W().cb_compute);
         CHECK(seen.find(" stop thinking ") != std::string::npos && history == first);
         CHECK(std::regex_match(nested, std::regex("\nIl motore sta pensando[^\n]*")));  // the list's only line then
         CheckStopped(" [1-7] [1-7]");
         CHECK_EQ(MoveHistory, first + BestMoveText);  // the engine's two moves only
         // Closing the window during a third think ends the program, that think abandoned.
         std::atexit([] {
             CHECK(std::regex_search(LogText(), std::regex(" Esci: Spengo il motore\\.{3}\n[^\n]* Esci: Motore spento\n$")));
             CHECK_EQ(LogCount("Analizza: Mossa migliore"), 2);
         });
         Poll(0.5, [] { return W().do_callback(), true; });
         Press(W().cb_compute);
         CHECK(!"the program goes on after the window was closed");
     }},

    {"board", "[Book]\nEnabled=0\n", [] {
         // The window is wider by the board; the designed controls stay where they were.
         CHECK_EQ(Str(W().w()) + "x" + Str(W().h()), "654x389");
         CHECK_EQ(Str(W().Command1->x()) + " " + Str(W().Command1->y()) + " " + Str(W().log->w()) + " " +
                      Str(W().lb_status->w()),
                  "176 360 249 249");
         CHECK(W().log->has_scrollbar() & Fl_Browser_::HORIZONTAL);
         // After start-up: the start position, nothing marked, White's marker at the bottom.
         CHECK_EQ(BoardShown(), StartShown);
         CHECK(WhiteMarkerAtBottom());
         // e2 then e4: played as if typed, and the engine answers; its move is the one highlighted.
         ClickSquare("e2");
         CHECK_EQ(BoardShown(), StartShown + " *e2");
         ClickSquare("e4");
         CHECK_EQ(Str(W().Text1->value()) + " " + MoveHistory.substr(0, 4), "e2e4 e2e4");
         CHECK(MoveHistory.size() == 8 && HasFinalReport(MoveHistory.substr(4)));
         const std::string answer = MoveHistory.substr(4);
         const std::string afterAnswer = BoardShown();
         CHECK(afterAnswer.find("........ ....P... ........ PPPP.PPP") != std::string::npos);
         CHECK(afterAnswer.ends_with(" +" + answer.substr(0, 2) + " +" + answer.substr(2)) ||
               afterAnswer.ends_with(" +" + answer.substr(2) + " +" + answer.substr(0, 2)));
         CHECK(WhiteMarkerAtBottom() && W().cbo_colore->value() == 0);
         // Pairs that make no legal move play nothing and leave no choice behind: a pawn two squares
         // from the side, a black piece, an empty square, a piece onto its own.
         const int lines = W().log->size();
         for (auto [from, to] : {std::pair{"d2", "d5"}, {"d7", "d5"}, {"e2", "e3"}, {"a1", "a2"}}) {
             ClickSquare(from);
             ClickSquare(to);
             CHECK_EQ(BoardShown(), afterAnswer);
         }
         CHECK(MoveHistory.size() == 8 && W().log->size() == lines);
         // A position file: the board shows it, unmarked, Black's marker at the top.
         WriteFile("black.fen", "4k3/8/8/8/8/8/4P3/4K3 b - - 0 1\n");
         Fl::flush();
         CHECK(!W().board->damage());
         CHECK(W().LoadPositionFile("black.fen"));
         CHECK(W().board->damage());
         CHECK_EQ(BoardShown(), "....k... ........ ........ ........ ........ ........ ....P... ....K...");
         CHECK(!WhiteMarkerAtBottom());
         // During a think the board shows the position it started from, and clicks do nothing.
         WriteFile("middle.fen", MiddleGame);
         CHECK(W().LoadPositionFile("middle.fen"));
         const std::string middle = BoardShown();
         std::string during;
         Type(W().tx_depth, "8");
         StopLater(during, [&] {
             during = BoardShown() + (WhiteMarkerAtBottom() ? " white" : " black");
             W().board->redraw();
             Fl::flush();  // a repaint in the middle of the search
             for (const char* square : {"e2", "e4", "d5"}) ClickSquare(square);
             during += " | " + BoardShown();
             ClickSquare("e6");  // d5e6 would be legal
             during += " | " + BoardShown();
             Press(W().cb_stop);
         });
         Press(W().cb_compute);
         CHECK_EQ(during, middle + " white | " + middle + " | " + middle);
         CHECK(!ListHas("Il motore sta pensando"));                       // no move reached the move box either
         CHECK(BestMoveText.size() == 4 && MoveHistory == BestMoveText);  // the loaded file began a new history
         CHECK(BoardShown().ends_with(" +" + BestMoveText.substr(0, 2) + " +" + BestMoveText.substr(2, 2)) ||
               BoardShown().ends_with(" +" + BestMoveText.substr(2, 2) + " +" + BestMoveText.substr(0, 2)));
         // The status label shows its whole text, however long the numbers.
         CHECK(LabelFits(W().lb_status));
         W().SetStatus("Analizzate 2147483647 posizioni in 2147483647 millisecondi");
         CHECK(LabelFits(W().lb_status));
     }},

    {"depth_and_time", "[Log]\nLevel=1\n[Book]\nEnabled=0\n", [] {
         // Depths and seconds that are not numbers or out of range: the values used are shown, stored and noted;
         // the time budget is in centiseconds.
         W().chk_time->value(1);
         for (auto [depth, seconds, used] : {std::tuple{"abc", "abc", "2 60 6000"}, {"0", "-5", "1 0 0"}, {"", "0.3", "2 0.3 30"}, {"2.5", "1e12", "2 21474836 2147483600"}, {"3", "60", "3 60 6000"}, {"1000", "0.3", "98 0.3 30"}}) {
             W().log->clear();
             Type(W().tx_depth, depth);
             Type(W().tx_time, seconds);
             Press(W().cb_compute);
             const std::string d = W().tx_depth->value(), s = W().tx_time->value();
             CHECK_EQ(d + " " + s + " " + Str(MoveBudget) + " " + Settings("General/Profondita Time/Enabled"),
                      used + (" " + d + " 1"));
             const std::string depthNote = "Profondità non valida", secondsNote = "Secondi non validi";
             CHECK_EQ(ListHas(depthNote + (d == depth ? "" : " (" + std::string(depth) + "): uso " + d)), d != depth);
             CHECK_EQ(ListHas(secondsNote + (s == seconds ? "" : " (" + std::string(seconds) + "): uso " + s)), s != seconds);
             CHECK(HasFinalReport(BestMoveText));
         }
         CHECK(std::regex_match(Interrupted(), std::regex(".* ([1-9]|[1-8][0-9]|9[0-7])")));  // the deepest, by its 0.3 s
     }},
};

const Case* Running = nullptr;
pid_t Self = 0;

// Xvfb on a display it picks itself, named once it accepts clients, ended when this process ends; false
// when it cannot run. -noreset: it does not reset (refusing clients meanwhile) when its last client leaves.
bool StartXvfb() {
    int fds[2];
    pid_t xvfb = 0;
    if (pipe(fds) != 0 || (xvfb = fork()) < 0) return false;
    if (xvfb == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        dup2(open("/dev/null", O_RDWR), 2);
        execlp("Xvfb", "Xvfb", "-noreset", "-displayfd", std::to_string(fds[1]).c_str(), "-screen", "0", "800x600x24",
               "-nolisten", "tcp", nullptr);
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    for (char c; read(fds[0], &c, 1) == 1 && c != '\n';) number += c;
    return !number.empty() && setenv("DISPLAY", (":" + number).c_str(), 1) == 0;
}

// The end of the case, also when closing the window ends the program: its folder removed unless the
// case failed, which then ends with status 1.
void Finish() {
    if (getpid() != Self) return;  // not in a child of the engine's
    if (Failures) std::fprintf(stderr, "  failed; files kept in %s\n", Cwd().c_str()), _exit(1);
    if (Cwd().rfind("/tmp/velmor-window-", 0) == 0) fs::remove_all(Cwd());
}

}  // namespace

int main(int argc, char** argv) {
    const int here = argc == 3 && argv[2] == std::string("--here");  // the copy, in the case's folder
    for (const Case& c : Cases)
        if (argc == 2 + here && argv[1] == std::string(c.Name)) Running = &c;
    if (!Running) return std::fprintf(stderr, "usage: velmorasca-window-test CASE\n"), 2;
    if (argc == 2) {  // a copy of this program, in a fresh folder, runs the case
        char folder[] = "/tmp/velmor-window-XXXXXX";
        if (!mkdtemp(folder)) return std::perror("mkdtemp"), 1;
        const std::string exe = folder + std::string("/velmorasca-window-test");
        const int null = open("/dev/null", O_RDWR);
        if (fs::copy_file("/proc/self/exe", exe) && chdir(folder) == 0 && dup2(null, 0) == 0 && dup2(null, 1) == 1)
            execl(exe.c_str(), exe.c_str(), Running->Name, "--here", nullptr);
        return std::perror(exe.c_str()), 1;
    }
    Self = getpid();
    std::atexit(Finish);
    if (!StartXvfb()) return std::fprintf(stderr, "Xvfb cannot be started: the window tests are skipped\n"), 77;
    if (Running->Ini) WriteFile("Velmorasca.ini", Running->Ini);
    InstallEngineWindow();
    RunWindow = [] {  // the program's window mode, with the case run once the window is up
        if (!OpenDisplay()) return Check(false, "the display opens", __LINE__), 1;
        CreateEngineWindow()->show();
        for (int i = 0; i < 20; ++i) Fl::check();
        Running->Body();
        return Failures == 0 ? 0 : 1;
    };
    char* args[] = {argv[0], nullptr};
    return Main(1, args);
}
