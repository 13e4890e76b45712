// The engine window. It holds no chess logic: each control maps onto a
// global of the engine or a call of the interpreter, the notation, the
// position setup and the think driver, which writes its progress back here.
#include "window/frm_engine.h"

#include "window/boardview.h"
#include "window/display.h"
#include "window/formrules.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Input.H>
#include <FL/fl_ask.H>

#include <algorithm>
#include <climits>
#include <iterator>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "book/book.h"
#include "platform/files.h"
#include "platform/msgbox.h"
#include "platform/pipe.h"
#include "platform/viewer.h"
#include "position/setup.h"
#include "position/variabili.h"
#include "search/analizza.h"
#include "search/minimax.h"
#include "shell/common.h"
#include "shell/main.h"
#include "shell/notation.h"
#include "shell/protocol.h"

frm_engine* EngineForm = nullptr;

namespace {

const char* const AppTitle = "Velmorasca";

// The window is designed in twips; 15 twips make a pixel.
constexpr int Px(int twips) { return (twips + 7) / 15; }

constexpr int FontSize = 11;
constexpr int MinFontSize = 7;
constexpr int StatusMinFontSize = 5;  // the longest status line fits at this size

// Longest first line read from a position file; a FEN is far shorter.

const char* const LogLevelItems[] = {"0 - Senza Log", "1 - Normale", "2 - Debug", "3 - Extra Debug", "4 - Tutto", nullptr};
const char* const ColourItems[] = {"Bianco", "Nero", nullptr};

Fl_Box* MakeLabel(int x, int y, int w, int h, const char* text) {
    Fl_Box* b = new Fl_Box(Px(x), Px(y), Px(w), Px(h), text);
    b->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    FitLabel(b, FontSize, MinFontSize, 6);  // a label is drawn 3 pixels in from each side
    return b;
}

Fl_Button* MakeButton(int x, int y, int w, int h, const char* text, Fl_Callback* click) {
    Fl_Button* b = new Fl_Button(Px(x), Px(y), Px(w), Px(h), text);
    FitLabel(b, FontSize, MinFontSize, 6);
    b->callback(click);
    return b;
}

Fl_Check_Button* MakeCheck(int x, int y, int w, int h, const char* text) {
    Fl_Check_Button* c = new Fl_Check_Button(Px(x), Px(y), Px(w), Px(h), text);
    FitLabel(c, FontSize, MinFontSize, 20);
    return c;
}

Fl_Input* MakeInput(int x, int y, int w, int h, const char* text) {
    Fl_Input* i = new Fl_Input(Px(x), Px(y), Px(w), Px(h));
    i->textsize(FontSize);
    i->value(text);
    return i;
}

Fl_Choice* MakeChoice(int x, int y, int w, int h, const char* const* items) {
    Fl_Choice* c = new Fl_Choice(Px(x), Px(y), Px(w), Px(h));
    c->textsize(FontSize - 1);
    for (int i = 0; items[i]; ++i) c->add(items[i]);  // no menu syntax in the texts
    c->value(0);
    return c;
}

// A label shows '@' as the start of a symbol unless it is doubled.
std::string LabelText(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '@') out += '@';
    }
    return out;
}

// A message box whose only button reads "OK" (FLTK's alert labels it "Close").
void Alert(const char* title, const std::string& text) {
    fl_message_title(title);
    const char* const close = fl_close;
    fl_close = "OK";
    fl_alert("%s", text.c_str());
    fl_close = close;
}

// How the protocol announces the engine's move; the window's reporter
// announces it so too.
void (*SendMove)(const std::string& move) = nullptr;

void WindowClosed(Fl_Widget*, void*) {
    // Escape closes an FLTK window by default; this one closes only on request.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    if (EngineForm) EngineForm->Form_QueryUnload();
    Esci();  // not reached
}

}  // namespace

// The designed controls keep their places on the left; the board takes the
// rest of the client area.
frm_engine::frm_engine() : Fl_Double_Window(ClientWidthPixels, ClientHeightPixels, AppTitle) {
    cb_caricaposizione = MakeButton(120, 120, 1575, 375, "Carica posizione", [](Fl_Widget*, void*) { EngineForm->cb_caricaposizione_Click(); });
    Label2 = MakeLabel(2040, 120, 375, 255, "Log:");
    cbo_loglevel = MakeChoice(2400, 120, 1455, 315, LogLevelItems);
    chk_book = MakeCheck(360, 720, 1335, 255, "Libro aperture");
    Label1 = MakeLabel(2040, 720, 855, 255, "Profondità:");
    tx_depth = MakeInput(3000, 720, 855, 285, "6");
    chk_time = MakeCheck(360, 1200, 1335, 255, "Usa il tempo");
    Label5 = MakeLabel(2040, 1200, 855, 255, "Secondi");
    tx_time = MakeInput(3000, 1200, 855, 285, "60");
    cb_compute = MakeButton(120, 1680, 1575, 375, "Calcola migliore", [](Fl_Widget*, void*) { EngineForm->cb_compute_Click(); });
    Label3 = MakeLabel(2040, 1680, 735, 255, "Muove il:");
    cbo_colore = MakeChoice(2760, 1680, 1095, 315, ColourItems);
    lb_status = MakeLabel(120, 2160, 3735, 255, nullptr);
    lb_status->box(FL_FLAT_BOX);  // repainted on its own during a think
    lb_status->labelsize(FontSize - 1);
    cb_stop = MakeButton(120, 2520, 1575, 375, "Stop", [](Fl_Widget*, void*) { EngineForm->cb_stop_Click(); });
    cb_stop->deactivate();
    cb_log = MakeButton(2160, 2520, 1575, 375, "Log...", [](Fl_Widget*, void*) { EngineForm->cb_log_Click(); });
    log = new Fl_Hold_Browser(Px(120), Px(3000), Px(3735), Px(2010));
    log->textsize(FontSize);
    log->format_char(0);                    // the lines are shown as they are
    log->has_scrollbar(Fl_Browser_::BOTH);  // the hyphen lines are wider than the list
    lb_prob = MakeLabel(120, 5040, 3735, 255, nullptr);
    Label4 = MakeLabel(120, 5400, 1335, 255, "Mossa avversario:");
    Text1 = MakeInput(1440, 5400, 1095, 285, "");
    Command1 = MakeButton(2640, 5400, 1215, 375, "Manda mossa", [](Fl_Widget*, void*) { EngineForm->Command1_Click(); });
    cd1 = nullptr;
    board = new BoardView();
    board->Thinking = [] { return EngineForm->Thinking(); };
    board->PlayMove = [](const std::string& move) { EngineForm->Board_Move(move); };
    end();
    // One font size for all captions, and one for all buttons and check boxes.
    Fl_Widget* captions[] = {Label1, Label2, Label3, Label4, Label5};
    Fl_Widget* controls[] = {cb_caricaposizione, chk_book, chk_time, cb_compute, cb_stop, cb_log, Command1};
    for (auto* group : {&captions[0], &controls[0]}) {
        const size_t n = group == &captions[0] ? std::size(captions) : std::size(controls);
        int size = FontSize;
        for (size_t i = 0; i < n; ++i) size = std::min(size, group[i]->labelsize());
        for (size_t i = 0; i < n; ++i) group[i]->labelsize(size);
    }
    callback(WindowClosed);
}

frm_engine::~frm_engine() { delete cd1; }

void frm_engine::Form_Load() {
    int level = SettingToInt(ReadSetting("Log", "Level", "0"), 0);
    cbo_loglevel->value(level < 0 ? 0 : level > 4 ? 4
                                                  : level);
    tx_depth->value(ReadSetting("General", "Profondita", std::to_string(DefaultDepth)).c_str());
    UsedDepth(false);
    cbo_colore->value(0);
    chk_book->value(ReadSetting("Book", "Enabled", "1") == "1" ? 1 : 0);
}

void frm_engine::cb_caricaposizione_Click() {
    if (thinking_) return;
    const std::string folder = IsFolder("Posizioni") ? FullPath("Posizioni") : FullPath(".");
    // A new dialog each time, so that no earlier choice is offered again.
    delete cd1;
    cd1 = new Fl_File_Chooser(folder.c_str(), "FEN Files (*.fen)", Fl_File_Chooser::SINGLE, "Carica Posizione");
    cd1->show();
    while (cd1->shown()) Fl::wait();
    const char* chosen = cd1->value();
    if (chosen == nullptr || chosen[0] == '\0') return;  // cancelled
    LoadPositionFile(chosen);
}

bool frm_engine::LoadPositionFile(const std::string& path) {
    std::string problem;
    if (!LoadPositionFromFile(path, &problem)) {
        Tell(problem);
        return false;
    }
    prob_ = FullPath(path);
    lb_prob->copy_label(LabelText(prob_).c_str());
    lb_prob->redraw();
    ShowSideToMove();
    board->redraw();
    return true;
}

void frm_engine::cb_compute_Click() {
    if (thinking_) return;
    SideToMove = cbo_colore->value() == 0 ? True : False;
    NoteBoardSide();
    LogLevel = cbo_loglevel->value();
    WriteSetting("Log", "Level", std::to_string(LogLevel));
    UseTime = chk_time->value() ? True : False;
    BookEnabled = chk_book->value() ? True : False;
    // Ticked after a start-up without the book: it is read now.
    if (BookEnabled && BookLines.size() <= 1) LoadBook();
    UsedDepth();  // the setting holds the depth the think uses
    WriteSetting("General", "Profondita", tx_depth->value());
    WriteSetting("Time", "Enabled", UseTime ? "1" : "0");
    WriteSetting("Book", "enabled", BookEnabled ? "1" : "0");
    Think();
}

void frm_engine::cb_stop_Click() { RequestStop(); }

void frm_engine::cb_log_Click() {
    if (!FileExists(LogFilePath)) {
        AddLogLine("Il log non esiste ancora: " + LogFilePath);
        return;
    }
    if (!StartViewer(LogFilePath, ViewerProgram))
        AddLogLine("Non riesco ad aprire il log con " + ViewerProgram + ": " + LogFilePath);
}

void frm_engine::Command1_Click() {
    std::string note;
    if (!PlayTypedMove(Text1->value(), thinking_, &note)) {
        if (!note.empty()) AddLogLine(note);
        return;
    }
    LogLevel = cbo_loglevel->value();
    WriteSetting("Log", "Level", std::to_string(LogLevel));
    UseTime = chk_time->value() ? True : False;
    Think();
}

void frm_engine::Board_Move(const std::string& move) {
    Text1->value(move.c_str());
    Command1_Click();
}

void frm_engine::Form_QueryUnload() {
    // For the end-to-end tests: the list as it is when the window closes.
    if (const char* dump = std::getenv("VELMORASCA_WINDOW_DUMP"); dump && *dump) {
        if (FILE* f = std::fopen(dump, "wb")) {
            for (int i = 1; i <= log->size(); ++i) std::fprintf(f, "%s\n", log->text(i));
            std::fclose(f);
        }
    }
    Esci();
}

int frm_engine::UsedDepth(bool tell) {
    const std::string text = tx_depth->value();
    const BoxValue used = DepthFromText(text);
    if (used.shown != text) tx_depth->value(used.shown.c_str());
    if (!used.note.empty() && tell) AddLogLine(used.note);
    return used.value;
}

int32_t frm_engine::UsedTimeBudget() {
    const std::string text = tx_time->value();
    const BoxValue used = SecondsFromText(text);
    if (!used.note.empty()) {
        tx_time->value(used.shown.c_str());
        AddLogLine(used.note);
    }
    return used.value;
}

void frm_engine::ClearStatus() { SetStatus(""); }

void frm_engine::SetStatus(const std::string& text) {
    lb_status->copy_label(LabelText(text).c_str());
    FitLabel(lb_status, FontSize - 1, StatusMinFontSize, 6);  // the whole text, always
    lb_status->redraw();
    Fl::flush();  // at once: no other handler runs inside the search here
}

void frm_engine::AddLogLine(const std::string& line) {
    log->add(line.c_str());
    log->bottomline(log->size());
}

void frm_engine::EnableStop(bool on) {
    if (on) {
        cb_stop->activate();
        cb_compute->deactivate();
        cb_caricaposizione->deactivate();
    } else {
        cb_stop->deactivate();
        cb_compute->activate();
        cb_caricaposizione->activate();
    }
    Fl::flush();
}

void frm_engine::BusyCursor(bool on) {
    cursor(on ? FL_CURSOR_WAIT : FL_CURSOR_DEFAULT);
    Fl::flush();
}

void frm_engine::ThinkStarted() {
    Fl::check();  // the window repaints before the think
    BusyCursor(true);
    ClearStatus();
    EnableStop(true);
}

void frm_engine::ShowOutcome(const ThinkOutcome& outcome) {
    const OutcomeTexts texts = OutcomeTextsOf(outcome);
    for (const std::string& line : texts.rootLines) AddLogLine(line);
    if (!texts.status.empty()) SetStatus(texts.status);
    for (const std::string& line : texts.moveLines) AddLogLine(line);
    EnableStop(false);
}

void frm_engine::ThinkEnded() {
    EnableStop(false);
    BusyCursor(false);
}

void frm_engine::Think() {
    thinking_ = true;
    EngineColour = SideToMove ? 0 : 1;  // the engine plays the side to move
    board->redraw();                    // the move just played, or the side chosen
    Analizza();
    thinking_ = false;
    ShowSideToMove();
    board->redraw();  // the engine's move
}

void frm_engine::ShowSideToMove() {
    cbo_colore->value(SideToMove ? 0 : 1);
    NoteBoardSide();
}

void frm_engine::Tell(const std::string& text) { Alert(AppTitle, text); }

frm_engine* CreateEngineWindow() {
    // The window starts on the standard position, White to move.
    SetInitialPosition();
    SideToMove = True;
    ClearBoardMarks();
    NoteBoardSide();
    EngineForm = new frm_engine();
    // The think reports here, and its move and results go to standard
    // output as in protocol mode; the move is also the board's last move.
    Reporter = XboardReporter();
    SendMove = Reporter.MoveChosen;
    Reporter.MoveChosen = [](const std::string& move) {
        if (SendMove) SendMove(move);
        NoteLastMove(move);
    };
    Reporter.Started = [] { EngineForm->ThinkStarted(); };
    Reporter.DepthLimit = [] { return EngineForm->UsedDepth(); };
    Reporter.TimeBudget = [] { return EngineForm->UsedTimeBudget(); };
    Reporter.Progress = [](int32_t positions) { EngineForm->SetStatus(ProgressStatus(positions)); };
    Reporter.Concluded = [](const ThinkOutcome& outcome) { EngineForm->ShowOutcome(outcome); };
    Reporter.Ended = [] { EngineForm->ThinkEnded(); };
    EventPump = [] { Fl::check(); };
    EngineForm->Form_Load();
    return EngineForm;
}

int RunEngineWindow() {
    if (!OpenDisplay()) {
        const char* name = std::getenv("DISPLAY");
        PipeWriteAll(2, std::string("Velmorasca: cannot open the display \"") + (name ? name : "") +
                            "\", which the engine window needs; start the engine with: velmorasca xboard\n");
        return 1;
    }
    frm_engine* form = CreateEngineWindow();
    form->show();
    Fl::run();
    Esci();  // every window is gone
}

bool EngineMessageBox(const std::string& title, const std::string& text) {
    if (!OpenDisplay()) return false;
    Alert(title.c_str(), text);
    return true;
}

void InstallEngineWindow() {
    RunWindow = RunEngineWindow;
    MessageBoxHook = EngineMessageBox;
}
