// The engine window's handlers on a real window under Xvfb.
//
// velmorasca-window-test [CASE...] starts Xvfb on a free display and runs
// each case (all without arguments) in a process of its own: a copy of this
// binary in a fresh temporary folder, since the engine keeps its settings
// and log beside the program. The copy goes through the program's real
// start-up (Main) into window mode, where the case drives the window's
// controls. Exit status 77 (skipped) when Xvfb is not installed.
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
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "position/variabili.h"
#include "search/analizza.h"
#include "shell/main.h"
#include "shell/protocol.h"
#include "window/display.h"
#include "window/frm_engine.h"

namespace {

const char* const MiddleGame = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
const std::string Hyphens(67, '-');

// ---------------------------------------------------------------- checks

int Failures = 0;

void Check(bool ok, const char* what, int line, const std::string& detail = "") {
    if (ok) return;
    ++Failures;
    std::fprintf(stderr, "  line %d: failed: %s%s%s\n", line, what, detail.empty() ? "" : "  -- ", detail.c_str());
}
#define CHECK(c) Check((c), #c, __LINE__)
// Compared as text, so that C strings and numbers of any width compare by value.
#define CHECK_EQ(a, b) Check(Str(a) == Str(b), #a " == " #b, __LINE__, "got \"" + Str(a) + "\", want \"" + Str(b) + "\"")

std::string Str(const std::string& s) { return s; }
std::string Str(const char* s) { return s ? s : "(null)"; }
template <class T, class = std::enable_if_t<std::is_integral_v<T>>>
std::string Str(T v) { return std::to_string(v); }

// ---------------------------------------------------------------- files

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary);
    f << text;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A value of Velmorasca.ini, section and key in any case; "(none)" when absent.
std::string Setting(const std::string& section, const std::string& key, const std::string& folder = ".") {
    std::istringstream in(ReadFile(folder + "/Velmorasca.ini"));
    std::string line, current;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') {
            current = Lower(line.substr(1, line.find(']') - 1));
        } else if (size_t eq = line.find('='); eq != std::string::npos && current == Lower(section) &&
                                               Lower(line.substr(0, eq)) == Lower(key)) {
            return line.substr(eq + 1);
        }
    }
    return "(none)";
}

// The log's lines as "source: message" (without the date and time).
std::vector<std::string> LogEntries(const std::string& folder = ".") {
    std::vector<std::string> entries;
    std::istringstream in(ReadFile(folder + "/Velmorasca.log"));
    std::string line;
    while (std::getline(in, line)) {
        size_t a = line.find(' '), b = a == std::string::npos ? a : line.find(' ', a + 1);
        if (b != std::string::npos) entries.push_back(line.substr(b + 1));
    }
    return entries;
}

bool LogHas(const std::string& prefix, const std::string& folder = ".") {
    for (const std::string& e : LogEntries(folder))
        if (e.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

// ---------------------------------------------------------------- window

frm_engine& W() { return *EngineForm; }

std::vector<std::string> ListLines() {
    std::vector<std::string> lines;
    for (int i = 1; i <= W().log->size(); ++i) lines.push_back(W().log->text(i));
    return lines;
}

std::string LastListLine() {
    const int n = W().log->size();
    return n ? W().log->text(n) : "";
}

bool ListHasPrefix(const std::string& prefix) {
    for (const std::string& l : ListLines())
        if (l.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

std::string Label(Fl_Widget* w) { return w->label() ? w->label() : ""; }

// A press of a button: what FLTK does when it is clicked.
void Press(Fl_Widget* w) { w->do_callback(); }

void Type(Fl_Input* input, const std::string& text) { input->value(text.c_str()); }

// fn runs once the window's events are next processed, at least s seconds
// on; Poll repeats it every tenth of a second until it returns true.
struct Pending {
    std::function<bool()> Fn;
};
std::vector<Pending*> Live;

void Fire(void* p) {
    auto* job = static_cast<Pending*>(p);
    if (job->Fn()) {
        Live.erase(std::find(Live.begin(), Live.end(), job));
        delete job;
    } else {
        Fl::repeat_timeout(0.1, Fire, job);
    }
}

Pending* Poll(double s, std::function<bool()> fn) {
    auto* job = new Pending{std::move(fn)};
    Live.push_back(job);
    Fl::add_timeout(s, Fire, job);
    return job;
}

void After(double s, std::function<void()> fn) {
    Poll(s, [fn] {
        fn();
        return true;
    });
}

// Drops a job that has not yet done its work.
void Cancel(Pending* job) {
    auto it = std::find(Live.begin(), Live.end(), job);
    if (it == Live.end()) return;
    Fl::remove_timeout(Fire, job);
    Live.erase(it);
    delete job;
}

void Walk(Fl_Widget* w, const std::function<void(Fl_Widget*)>& visit) {
    visit(w);
    if (Fl_Group* g = w->as_group())
        for (int i = 0; i < g->children(); ++i) Walk(g->child(i), visit);
}

bool IsFileDialog(Fl_Window* modal) {
    bool found = false;
    Walk(modal, [&](Fl_Widget* w) { found = found || dynamic_cast<Fl_File_Input*>(w) != nullptr; });
    return found;
}

// The texts of the message box now open; then it is closed with its
// visible button. False while no message box is open.
bool TakeMessageBox(std::string& texts) {
    Fl_Window* modal = Fl::modal();
    if (!modal || IsFileDialog(modal)) return false;
    Fl_Button* button = nullptr;
    Walk(modal, [&](Fl_Widget* w) {
        if (dynamic_cast<Fl_Button*>(w)) {
            if (w->visible() && !button) button = static_cast<Fl_Button*>(w);
        } else if (w != modal && w->label()) {
            texts += std::string(w->label()) + "\n";
        }
    });
    if (button) Press(button);
    return true;
}

// Runs load (which is expected to show a message box) and returns the box's
// texts; empty when it showed none.
std::string MessageFrom(const std::function<void()>& load) {
    std::string text;
    Pending* job = Poll(0.1, [&] { return TakeMessageBox(text); });
    load();
    Cancel(job);
    return text;
}

// The file dialog, driven as a user would once it is open: the file name
// typed, then OK; or Cancel when path is empty.
void InFileDialog(const std::string& path, std::string* directorySeen) {
    Poll(0.1, [=] {
        Fl_Window* modal = Fl::modal();
        if (!modal || !IsFileDialog(modal)) return false;
        if (directorySeen && W().cd1) *directorySeen = W().cd1->directory();
        Fl_File_Input* name = nullptr;
        Fl_Button* ok = nullptr;
        Fl_Button* cancel = nullptr;
        Walk(modal, [&](Fl_Widget* w) {
            if (auto* in = dynamic_cast<Fl_File_Input*>(w)) name = in;
            if (auto* r = dynamic_cast<Fl_Return_Button*>(w)) ok = r;
            else if (auto* b = dynamic_cast<Fl_Button*>(w); b && Label(b) == fl_cancel) cancel = b;
        });
        if (path.empty()) {
            if (cancel) Press(cancel);
        } else {
            if (name) name->value(path.c_str());
            if (ok) Press(ok);
        }
        return true;
    });
}

std::string BoardSnapshot() { return std::string(reinterpret_cast<const char*>(Board[0]), sizeof Board[0]); }

std::string Cwd() {
    char buf[4096];
    return getcwd(buf, sizeof buf) ? buf : ".";
}

bool HasFinalReport(const std::string& move) {
    const std::vector<std::string> l = ListLines();
    for (size_t i = 0; i + 2 < l.size(); ++i)
        if (l[i] == Hyphens && l[i + 1].rfind("Mossa migliore: " + move, 0) == 0 && l[i + 2] == Hyphens) return true;
    return false;
}

// Stops the think that is about to start once it runs: stop() presses the
// control; what the window showed during the think is noted.
struct DuringThink {
    bool StopEnabled = false, ComputeEnabled = true, Busy = false;
    std::string Status;
};
void StopLater(DuringThink& seen, std::function<void()> stop, double s = 0.5) {
    After(s, [&seen, stop] {
        seen.StopEnabled = W().cb_stop->active();
        seen.ComputeEnabled = W().cb_compute->active();
        seen.Busy = W().Thinking();
        seen.Status = Label(W().lb_status);
        stop();
    });
}

int InterruptedDepth() {
    int depth = -1;
    for (const std::string& e : LogEntries())
        if (e.rfind("Analizza: Interrotto alla profondit", 0) == 0) depth = std::atoi(e.c_str() + e.rfind(' ') + 1);
    return depth;
}

// ---------------------------------------------------------------- cases

struct Case {
    const char* Name;
    std::function<void()> Prepare;                 // in the case's folder, before start-up
    std::function<void()> Body;                    // with the window shown
    std::function<void(const std::string&, int)> After;  // in the parent: folder, exit status
};

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"form_load_defaults", nullptr,
         [] {
             // No settings file before start-up: the window seeds it and shows the defaults.
             CHECK_EQ(Setting("Log", "Level"), "0");
             CHECK_EQ(Setting("General", "Profondita"), "2");
             CHECK_EQ(Setting("Book", "Enabled"), "1");
             CHECK_EQ(W().cbo_loglevel->value(), 0);
             CHECK_EQ(W().tx_depth->value(), "2");
             CHECK_EQ(W().chk_book->value(), 1);
             CHECK_EQ(W().cbo_colore->value(), 0);
             CHECK_EQ(W().cbo_colore->text(), "Bianco");
             CHECK_EQ(W().chk_time->value(), 0);
             CHECK_EQ(W().tx_time->value(), "60");
             CHECK(!W().cb_stop->active());
             CHECK(W().cb_compute->active());
             CHECK_EQ(Label(&W()), "Velmorasca");
             CHECK_EQ(W().w(), 265);
             CHECK_EQ(W().h(), 389);
             CHECK(W().shown());
         },
         nullptr},

        {"form_load_settings",
         [] { WriteFile("Velmorasca.ini", "[Log]\nLevel=3\n[General]\nProfondita=7\n[Book]\nEnabled=0\n"); },
         [] {
             CHECK_EQ(W().cbo_loglevel->value(), 3);
             CHECK_EQ(W().tx_depth->value(), "7");
             CHECK_EQ(W().chk_book->value(), 0);
             // Values the controls cannot show are brought into their range.
             const struct { const char *level, *depth; int shownLevel; const char* shownDepth; } odd[] = {
                 {"9", "abc", 4, "2"}, {"-1", "500", 0, "98"}, {"x", "0", 0, "1"}, {"2", "4.0", 2, "4"}};
             for (const auto& o : odd) {
                 WriteFile("Velmorasca.ini", std::string("[Log]\nLevel=") + o.level + "\n[General]\nProfondita=" + o.depth +
                                                 "\n[Book]\nEnabled=1\n");
                 W().Form_Load();
                 CHECK_EQ(W().cbo_loglevel->value(), o.shownLevel);
                 CHECK_EQ(W().tx_depth->value(), o.shownDepth);
                 CHECK_EQ(W().chk_book->value(), 1);
             }
         },
         nullptr},

        {"compute_black", [] { WriteFile("Velmorasca.ini", "[Book]\nEnabled=0\n"); },
         [] {
             W().cbo_colore->value(1);  // "Nero"
             W().cbo_loglevel->value(1);
             Type(W().tx_depth, "3");
             Press(W().cb_compute);
             CHECK_EQ(Setting("Log", "Level"), "1");
             CHECK_EQ(Setting("General", "Profondita"), "3");
             CHECK_EQ(Setting("Time", "Enabled"), "0");
             CHECK_EQ(Setting("Book", "Enabled"), "0");
             // Black moved from the start position: the moved piece is black.
             CHECK_EQ(BestMoveText.size(), 4u);
             if (BestMoveText.size() == 4) {
                 const int id = Sq(BestMoveText[3] - '0', BestMoveText[2] - 'a' + 1, 0);
                 Check(id >= 17 && id <= 32, "a black piece was moved", __LINE__, BestMoveText);
                 CHECK(BestMoveText[1] == '7' || BestMoveText[1] == '8');
             }
             CHECK_EQ(MoveHistory, BestMoveText);
             CHECK(HasFinalReport(BestMoveText + ", punteggio: "));
             // Every one of Black's 20 first moves is listed before the report.
             int rootLines = 0;
             for (const std::string& l : ListLines())
                 if (std::regex_match(l, std::regex("[a-h][1-8][a-h][1-8]( Valore: -?[0-9]+| Tagliata o illegale)"))) ++rootLines;
             CHECK_EQ(rootLines, 20);
             CHECK(std::regex_match(Label(W().lb_status), std::regex("Analizzate [0-9]+ posizioni in [0-9]+ millisecondi")));
             CHECK(!W().cb_stop->active());
             CHECK(W().cb_compute->active());
             CHECK_EQ(W().cbo_colore->value(), 0);  // White is to move now
             CHECK(LogHas("Analizza: Mossa migliore: " + BestMoveText));
             WriteFile("played.txt", BestMoveText);
         },
         [](const std::string& folder, int) {
             // The move also goes to standard output, as in protocol mode.
             const std::string move = ReadFile(folder + "/played.txt");
             CHECK(!move.empty());
             CHECK(ReadFile(folder + "/stdout.txt").find("\nmove " + move + "\n") != std::string::npos);
         }},

        {"book_move",
         [] {
             WriteFile("book.txt", "e2e4e7e5\n");
             WriteFile("Velmorasca.ini", "[Book]\nEnabled=0\n");
         },
         [] {
             // The book was not read at start-up; ticking the box brings it in.
             CHECK_EQ(W().chk_book->value(), 0);
             W().chk_book->value(1);
             Press(W().cb_compute);
             const std::vector<std::string> l = ListLines();
             CHECK_EQ(l.size(), 3u);
             if (l.size() == 3) {
                 CHECK_EQ(l[0], Hyphens);
                 CHECK_EQ(l[1], "Mossa Libro: e2e4");
                 CHECK_EQ(l[2], Hyphens);
             }
             CHECK_EQ(Setting("Book", "Enabled"), "1");
             CHECK_EQ(MoveHistory, "e2e4");
             CHECK(!W().cb_stop->active());
             // Black to move now, and the book answers for Black.
             CHECK_EQ(W().cbo_colore->value(), 1);
             Press(W().cb_compute);
             CHECK_EQ(LastListLine(), Hyphens);
             CHECK(ListHasPrefix("Mossa Libro: e7e5"));
             CHECK_EQ(MoveHistory, "e2e4e7e5");
         },
         nullptr},

        {"typed_moves", [] { WriteFile("Velmorasca.ini", "[Log]\nLevel=1\n"); },
         [] {
             const std::string before = BoardSnapshot();
             // Text that is not a playable move is refused in the window.
             for (const char* bad : {"e9e4", "e3e4", "zz", "", "i2i4", "e1e8"}) {
                 const int lines = W().log->size();
                 Type(W().Text1, bad);
                 Press(W().Command1);
                 CHECK_EQ(W().log->size(), lines + 1);
                 Check(LastListLine().rfind(std::string("Mossa rifiutata: ") + bad, 0) == 0, "refused in the window",
                       __LINE__, LastListLine());
                 CHECK_EQ(MoveHistory, "");
                 CHECK(BoardSnapshot() == before);
             }
             // "?" with nothing to stop changes nothing.
             const int lines = W().log->size();
             Type(W().Text1, "?");
             Press(W().Command1);
             CHECK_EQ(W().log->size(), lines);
             CHECK_EQ(MoveHistory, "");
             // A real move is played and the engine answers for Black.
             W().cbo_loglevel->value(2);
             Type(W().Text1, "e2e4");
             Press(W().Command1);
             CHECK_EQ(MoveHistory.substr(0, 4), "e2e4");
             CHECK_EQ(MoveHistory.size(), 8u);
             const int pawn = Sq(4, 5, 0);
             CHECK(pawn >= 9 && pawn <= 16);
             CHECK_EQ(Sq(2, 5, 0), 0);
             CHECK(HasFinalReport(MoveHistory.substr(4)));
             CHECK_EQ(Setting("Log", "Level"), "2");
             CHECK(LogHas("ParseCommand: Mossa avversario: e2e4"));
             CHECK(SideToMove != 0);
             CHECK_EQ(W().cbo_colore->value(), 0);
         },
         nullptr},

        {"stop_button",
         [] {
             WriteFile("Velmorasca.ini", "[Log]\nLevel=1\n[Book]\nEnabled=0\n");
             mkdir("Posizioni", 0755);
             WriteFile("Posizioni/middle.fen", std::string(MiddleGame) + "\n");
         },
         [] {
             // The position is chosen in the file dialog, which starts in Posizioni.
             std::string directory;
             InFileDialog(Cwd() + "/Posizioni/middle.fen", &directory);
             Press(W().cb_caricaposizione);
             Check(directory.size() >= 10 && directory.compare(directory.size() - 10, 10, "/Posizioni") == 0,
                   "the dialog starts in Posizioni", __LINE__, directory);
             CHECK_EQ(Label(W().lb_prob), Cwd() + "/Posizioni/middle.fen");
             CHECK_EQ(Sq(5, 4, 0) != 0, true);  // the white pawn on d5
             // A depth-8 think here takes far longer than the half second before Stop.
             Type(W().tx_depth, "8");
             DuringThink seen;
             StopLater(seen, [] { Press(W().cb_stop); });
             Press(W().cb_compute);
             CHECK(seen.StopEnabled);
             CHECK(!seen.ComputeEnabled);
             CHECK(seen.Busy);
             CHECK(std::regex_match(seen.Status, std::regex("Analizzate [0-9]+0000 posizioni")));
             const int depth = InterruptedDepth();
             Check(depth >= 1 && depth < 8, "the think was interrupted", __LINE__, std::to_string(depth));
             CHECK(!BestMoveText.empty());
             CHECK(HasFinalReport(BestMoveText + ", punteggio: "));
             CHECK(!W().cb_stop->active());
             CHECK(W().cb_compute->active());
             CHECK(!W().Thinking());
         },
         nullptr},

        {"question_mark", [] { WriteFile("Velmorasca.ini", "[Log]\nLevel=1\n[Book]\nEnabled=0\n"); },
         [] {
             WriteFile("middle.fen", std::string(MiddleGame) + "\n");
             CHECK(W().LoadPositionFile("middle.fen"));
             Type(W().tx_depth, "8");
             DuringThink seen;
             int nestedLines = -1;
             std::string history;
             StopLater(seen, [&] {
                 // Another think cannot start inside this one, nor a move be played.
                 history = MoveHistory;
                 Press(W().cb_compute);
                 Type(W().Text1, "e2e3");
                 Press(W().Command1);
                 nestedLines = W().log->size();
                 Type(W().Text1, "?");
                 Press(W().Command1);
             });
             Press(W().cb_compute);
             CHECK(seen.StopEnabled);
             CHECK_EQ(history, "");
             CHECK_EQ(nestedLines, 1);  // only the notice that the engine is thinking
             CHECK(ListLines().size() > 0 && ListLines()[0].rfind("Il motore sta pensando", 0) == 0);
             const int depth = InterruptedDepth();
             Check(depth >= 1 && depth < 8, "the think was interrupted", __LINE__, std::to_string(depth));
             CHECK(HasFinalReport(BestMoveText + ", punteggio: "));
             CHECK_EQ(MoveHistory, BestMoveText);  // one move, the engine's
             CHECK(!W().cb_stop->active());
         },
         nullptr},

        {"position_files",
         [] {
             WriteFile("empty.fen", "");
             WriteFile("blank.fen", "\r\n" + std::string(MiddleGame) + "\r\n");
             WriteFile("nokings.fen", "8/8/8/8/8/8/8/8 w - - 0 1\n");
             WriteFile("short.fen", "rnbqkbnr/pppppppp/8\n");
             WriteFile("long.fen", std::string(10000, 'p'));
             WriteFile("black.fen", "4k3/8/8/8/8/8/4P3/4K3 b - - 0 1\r\nsecond line ignored\r\n");
             mkdir("folder.fen", 0755);
         },
         [] {
             const std::string start = BoardSnapshot();
             // Cancelling the dialog changes nothing.
             InFileDialog("", nullptr);
             Press(W().cb_caricaposizione);
             CHECK(BoardSnapshot() == start);
             CHECK_EQ(Label(W().lb_prob), "");
             // A sound file: side to move from the FEN, its full path shown.
             CHECK(W().LoadPositionFile("black.fen"));
             CHECK_EQ(Label(W().lb_prob), Cwd() + "/black.fen");
             CHECK_EQ(W().cbo_colore->value(), 1);
             CHECK_EQ(Sq(2, 5, 0) != 0 && Sq(8, 5, 0) != 0 && Sq(1, 1, 0) == 0, true);
             const std::string loaded = BoardSnapshot();
             // Files that give no position: a message box, position and path kept.
             const struct { const char* file; const char* says; } bad[] = {
                 {"missing.fen", "Non riesco ad aprire il file"},
                 {"folder.fen", "Non riesco ad aprire il file"},
                 {"empty.fen", "la prima riga è vuota"},
                 {"blank.fen", "la prima riga è vuota"},
                 {"nokings.fen", "Posizione rifiutata"},
                 {"short.fen", "Posizione rifiutata"},
                 {"long.fen", "troppo lunga"},
             };
             for (const auto& b : bad) {
                 bool loadedIt = true;
                 const std::string text = MessageFrom([&] { loadedIt = W().LoadPositionFile(b.file); });
                 CHECK(!loadedIt);
                 Check(text.find(b.says) != std::string::npos, "the message box tells why", __LINE__, b.file + (": " + text));
                 CHECK(BoardSnapshot() == loaded);
                 CHECK_EQ(Label(W().lb_prob), Cwd() + "/black.fen");
             }
             // The same through the dialog.
             const std::string text = MessageFrom([&] {
                 InFileDialog(Cwd() + "/nokings.fen", nullptr);
                 Press(W().cb_caricaposizione);
             });
             CHECK(text.find("Posizione rifiutata") != std::string::npos);
             CHECK_EQ(Label(W().lb_prob), Cwd() + "/black.fen");
         },
         nullptr},

        {"depth_and_time", [] { WriteFile("Velmorasca.ini", "[Log]\nLevel=1\n[Book]\nEnabled=0\n"); },
         [] {
             // Depths that are not numbers or out of range: the value used is shown and stored.
             const struct { const char *typed, *used; } depths[] = {{"abc", "2"}, {"0", "1"}, {"-4", "1"}, {"2.5", "2"}, {"", "2"}};
             for (const auto& d : depths) {
                 Type(W().tx_depth, d.typed);
                 Press(W().cb_compute);
                 CHECK_EQ(W().tx_depth->value(), d.used);
                 CHECK_EQ(Setting("General", "Profondita"), d.used);
                 CHECK(ListHasPrefix(std::string("Profondità non valida (") + d.typed + "): uso " + d.used));
                 CHECK(HasFinalReport(BestMoveText));
             }
             Type(W().tx_depth, "3");
             W().log->clear();
             Press(W().cb_compute);
             CHECK_EQ(W().tx_depth->value(), "3");
             CHECK(!ListHasPrefix("Profondità non valida"));
             // The deepest depth, bounded by a fraction of a second per move.
             W().chk_time->value(1);
             Type(W().tx_depth, "1000");
             Type(W().tx_time, "0.3");
             Press(W().cb_compute);
             CHECK_EQ(W().tx_depth->value(), "98");
             CHECK_EQ(W().tx_time->value(), "0.3");
             CHECK_EQ(Setting("Time", "Enabled"), "1");
             CHECK_EQ(MoveBudget, 30);
             CHECK(InterruptedDepth() >= 1 && InterruptedDepth() < 98);
             CHECK(HasFinalReport(BestMoveText));
             // Seconds that are not numbers or out of range.
             const struct { const char *typed, *used; int32_t budget; } times[] = {
                 {"abc", "60", 6000}, {"-5", "0", 0}, {"1e12", "21474836", 2147483600}};
             Type(W().tx_depth, "1");
             for (const auto& t : times) {
                 Type(W().tx_time, t.typed);
                 Press(W().cb_compute);
                 CHECK_EQ(W().tx_time->value(), t.used);
                 CHECK_EQ(MoveBudget, t.budget);
                 CHECK(ListHasPrefix(std::string("Secondi non validi (") + t.typed + "): uso " + t.used));
             }
         },
         nullptr},

        {"log_button", [] { WriteFile("Velmorasca.ini", "[Log]\nLevel=1\n"); },
         [] {
             CHECK(!LogEntries().empty());  // start-up has logged
             W().ViewerProgram = "true";
             int lines = W().log->size();
             Press(W().cb_log);
             CHECK_EQ(W().log->size(), lines);  // started: nothing to say
             W().ViewerProgram = "/nonexistent/viewer";
             Press(W().cb_log);
             CHECK_EQ(LastListLine(), "Non riesco ad aprire il log con /nonexistent/viewer: " + LogFilePath);
             unlink(LogFilePath.c_str());
             W().ViewerProgram = "true";
             Press(W().cb_log);
             CHECK_EQ(LastListLine(), "Il log non esiste ancora: " + LogFilePath);
         },
         nullptr},

        {"close_idle", [] { WriteFile("Velmorasca.ini", "[Log]\nLevel=1\n"); },
         [] {
             W().do_callback();  // the window is closed: the process ends here
             CHECK(!"the process goes on after the window was closed");
         },
         [](const std::string& folder, int status) {
             CHECK_EQ(status, 0);
             const std::vector<std::string> log = LogEntries(folder);
             CHECK(log.size() >= 3);
             if (log.size() >= 2) {
                 CHECK_EQ(log[log.size() - 2], "Esci: Spengo il motore...");
                 CHECK_EQ(log[log.size() - 1], "Esci: Motore spento");
             }
         }},

        {"close_during_think", [] { WriteFile("Velmorasca.ini", "[Log]\nLevel=1\n[Book]\nEnabled=0\n"); },
         [] {
             WriteFile("middle.fen", std::string(MiddleGame) + "\n");
             CHECK(W().LoadPositionFile("middle.fen"));
             Type(W().tx_depth, "8");
             After(0.5, [] { W().do_callback(); });
             Press(W().cb_compute);
             CHECK(!"the process goes on after the window was closed");
         },
         [](const std::string& folder, int status) {
             CHECK_EQ(status, 0);
             const std::vector<std::string> log = LogEntries(folder);
             if (log.size() >= 2) {
                 CHECK_EQ(log[log.size() - 2], "Esci: Spengo il motore...");
                 CHECK_EQ(log[log.size() - 1], "Esci: Motore spento");
             }
             CHECK(!LogHas("Analizza: Mossa migliore", folder));  // the think was abandoned
         }},
    };
    return cases;
}

const Case* FindCase(const std::string& name) {
    for (const Case& c : Cases())
        if (name == c.Name) return &c;
    return nullptr;
}

// ---------------------------------------------------------------- child

const Case* Running = nullptr;

// The program's window mode, with the case's body run once the window is up.
int RunCaseWindow() {
    if (!OpenDisplay()) {
        std::fprintf(stderr, "  no display\n");
        return 1;
    }
    frm_engine* form = CreateEngineWindow();
    form->show();
    for (int i = 0; i < 20; ++i) Fl::check();
    Running->Body();
    return Failures == 0 ? 0 : 1;
}

int RunHere(const std::string& name, char* argv0) {
    Running = FindCase(name);
    if (!Running) return 2;
    if (Running->Prepare) Running->Prepare();
    InstallEngineWindow();
    RunWindow = RunCaseWindow;
    char* argv[] = {argv0, nullptr};
    return Main(1, argv);
}

// ---------------------------------------------------------------- parent

std::string SelfPath() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : "";
}

pid_t XvfbPid = 0;

// Starts Xvfb on a display it picks itself; false when it cannot run.
bool StartXvfb() {
    int fds[2];
    if (pipe(fds) != 0) return false;
    XvfbPid = fork();
    if (XvfbPid < 0) return false;
    if (XvfbPid == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        int null = open("/dev/null", O_RDWR);
        dup2(null, 1);
        dup2(null, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp", nullptr);
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) {
        waitpid(XvfbPid, nullptr, 0);
        XvfbPid = 0;
        return false;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return true;
}

void StopXvfb() {
    if (XvfbPid > 0) {
        kill(XvfbPid, SIGTERM);
        waitpid(XvfbPid, nullptr, 0);
    }
}

void RemoveTree(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        if (DIR* d = opendir(path.c_str())) {
            while (dirent* e = readdir(d))
                if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) RemoveTree(path + "/" + e->d_name);
            closedir(d);
        }
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

// One case in a copy of this program in a fresh folder; true when it passed.
bool RunCase(const Case& c) {
    char tmpl[] = "/tmp/velmor-window-XXXXXX";
    const char* made = mkdtemp(tmpl);
    if (!made) return false;
    const std::string folder = made;
    const std::string exe = folder + "/velmorasca-window-test";
    WriteFile(exe, ReadFile(SelfPath()));
    chmod(exe.c_str(), 0755);
    std::fprintf(stderr, "%s\n", c.Name);
    pid_t child = fork();
    if (child == 0) {
        if (chdir(folder.c_str()) != 0) _exit(3);
        int out = open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        execl(exe.c_str(), exe.c_str(), "--here", c.Name, nullptr);
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const int before = Failures;
    if (code != 0) Check(false, "the case's process succeeded", __LINE__, "exit status " + std::to_string(code));
    if (c.After) c.After(folder, code);
    const bool passed = Failures == before;
    std::fprintf(stderr, "%s: %s\n", c.Name, passed ? "passed" : "FAILED");
    if (passed) RemoveTree(folder);
    else std::fprintf(stderr, "  files kept in %s\n", folder.c_str());
    return passed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--here") return RunHere(argv[2], argv[0]);
    std::vector<const Case*> chosen;
    for (int i = 1; i < argc; ++i) {
        const Case* c = FindCase(argv[i]);
        if (!c) {
            std::fprintf(stderr, "unknown case: %s\n", argv[i]);
            return 2;
        }
        chosen.push_back(c);
    }
    if (chosen.empty())
        for (const Case& c : Cases()) chosen.push_back(&c);
    if (!StartXvfb()) {
        std::fprintf(stderr, "Xvfb cannot be started: the window tests are skipped\n");
        return 77;
    }
    bool all = true;
    for (const Case* c : chosen) all = RunCase(*c) && all;
    StopXvfb();
    return all ? 0 : 1;
}
