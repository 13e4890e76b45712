// The engine window: load a FEN position, choose the side to move, the depth
// or the seconds per move, the log level and the book, ask for the best move,
// stop a running think, type the opponent's move and open the log.
#pragma once
#include <FL/Fl_Double_Window.H>

#include <string>

#include "search/analizza.h"

class BoardView;
class Fl_Box;
class Fl_Browser;
class Fl_Button;
class Fl_Check_Button;
class Fl_Choice;
class Fl_File_Chooser;
class Fl_Input;

class frm_engine : public Fl_Double_Window {
public:
    frm_engine();
    ~frm_engine() override;

    // Controls, placed as designed at 15 twips per pixel, and the board.
    Fl_Button* cb_caricaposizione;
    Fl_Box* Label2;
    Fl_Choice* cbo_loglevel;
    Fl_Check_Button* chk_book;
    Fl_Box* Label1;
    Fl_Input* tx_depth;
    Fl_Check_Button* chk_time;
    Fl_Box* Label5;
    Fl_Input* tx_time;
    Fl_Button* cb_compute;
    Fl_Box* Label3;
    Fl_Choice* cbo_colore;
    Fl_Box* lb_status;
    Fl_Button* cb_stop;
    Fl_Button* cb_log;
    Fl_Browser* log;
    Fl_Box* lb_prob;
    Fl_Box* Label4;
    Fl_Input* Text1;
    Fl_Button* Command1;
    Fl_File_Chooser* cd1;  // made when first needed
    BoardView* board;      // the game position, right of the controls; moves by clicking

    // Event handlers.
    void Form_Load();
    void cb_caricaposizione_Click();
    void cb_compute_Click();
    void cb_stop_Click();
    void cb_log_Click();
    void Command1_Click();
    [[noreturn]] void Form_QueryUnload();
    // A move made on the board by two clicks: written into Text1 and played
    // as a typed move is (the same checks, the same think).
    void Board_Move(const std::string& move);

    // Reads the first line of path and sets the position from it. A file
    // that cannot be read, an empty first line or a refused FEN leaves the
    // position and lb_prob as they were and tells the user in a message box.
    bool LoadPositionFile(const std::string& path);

    // Depth limit and time budget of the next think, read from tx_depth and
    // tx_time. Text that is not a number, or a number out of range, is
    // replaced in the box by the value actually used.
    // A replaced value is also noted in the list when tell is set.
    int UsedDepth(bool tell = true);
    int32_t UsedTimeBudget();  // centiseconds

    bool Thinking() const { return thinking_; }
    // The program that shows the log file.
    std::string ViewerProgram = "xdg-open";

    // The think's report: its start, its outcome and its end.
    void ThinkStarted();
    void ShowOutcome(const ThinkOutcome& outcome);
    void ThinkEnded();
    // The controls the think's report changes.
    void ClearStatus();
    void SetStatus(const std::string& text);
    void AddLogLine(const std::string& line);
    void EnableStop(bool on);
    void BusyCursor(bool on);

private:
    void Think();
    void ShowSideToMove();
    void Tell(const std::string& text);  // message box
    bool thinking_ = false;
    std::string prob_;  // the loaded file's full path
};

// The one engine window, once it has been made.
extern frm_engine* EngineForm;

// Makes the window, connects it to the think driver and the search, and runs
// Form_Load; the window is not yet shown.
frm_engine* CreateEngineWindow();

// The program's window mode: opens the display (a message on standard error
// and 1 when there is none), makes and shows the window and runs its events.
// Closing the window ends the process through Esci.
int RunEngineWindow();

// A message box with an OK button over the display, when there is one.
bool EngineMessageBox(const std::string& title, const std::string& text);

// Points the start-up's RunWindow and the platform's MessageBoxHook here.
void InstallEngineWindow();
