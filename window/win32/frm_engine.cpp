// The engine window on Windows. It holds no chess logic: each control maps
// onto a global of the engine or a call of the interpreter, the notation,
// the position setup and the think driver, which writes its progress back
// here through the reporter it installs. Places are the designed ones in twips at
// 15 twips per pixel; texts are the engine's UTF-8 texts in the system's
// code page. Beside the controls the board shows the game position; what it
// shows and what a click on it does are the shared board rules
// (window/formrules.h): this file only paints and passes clicks in.
#include "window/win32/frm_engine.h"

#include <windows.h>
#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "book/book.h"
#include "platform/files.h"
#include "platform/pipe.h"
#include "platform/text.h"
#include "platform/viewer.h"
#include "position/setup.h"
#include "position/variabili.h"
#include "search/analizza.h"
#include "search/minimax.h"
#include "shell/common.h"
#include "shell/main.h"
#include "shell/notation.h"
#include "shell/protocol.h"
#include "window/formrules.h"

namespace {

const char* const AppTitle = "Velmorasca";
const char* const ClassName = "VelmorascaFrmEngine";

constexpr int Px(int twips) { return (twips + 7) / 15; }

constexpr int DropDownHeight = 150;  // pixels of an open drop-down list

enum ControlId {
    IdCaricaPosizione = 100,
    IdLogLevel,
    IdBook,
    IdDepth,
    IdTime,
    IdSeconds,
    IdCompute,
    IdColore,
    IdStop,
    IdLog,
    IdList,
    IdText1,
    IdCommand1,
    IdLabel
};

const char* const LogLevelItems[] = {"0 - Senza Log", "1 - Normale", "2 - Debug", "3 - Extra Debug", "4 - Tutto"};
const char* const ColourItems[] = {"Bianco", "Nero"};

HWND Form = nullptr;                // the window frm_engine
HWND cb_caricaposizione = nullptr;  // button "Carica posizione"
HWND cbo_loglevel = nullptr;        // drop-down list of the log levels 0..4
HWND chk_book = nullptr;            // check box "Libro aperture"
HWND tx_depth = nullptr;            // text box: search depth in plies
HWND chk_time = nullptr;            // check box "Usa il tempo"
HWND tx_time = nullptr;             // text box: seconds per move
HWND cb_compute = nullptr;          // button "Calcola migliore"
HWND cbo_colore = nullptr;          // drop-down list: 0 Bianco, 1 Nero
HWND lb_status = nullptr;           // label: the think's statistics
HWND cb_stop = nullptr;             // button "Stop", enabled while a think runs
HWND cb_log = nullptr;              // button "Log..."
HWND log_list = nullptr;            // list box `log`: the think driver's result lines
HWND lb_prob = nullptr;             // label: full path of the loaded FEN file
HWND Text1 = nullptr;               // text box: the opponent's move or "?"
HWND Command1 = nullptr;            // button "Manda mossa"
bool Thinking = false;              // a think driven from the window runs
int ListWidest = 0;                 // widest list line in pixels, for its horizontal scroll bar

// The board: the squares and, in the margin on their right, the side-to-move marker.
constexpr int MarkerSize = 10;                 // the side-to-move marker's diameter
constexpr int BoardRight = ClientWidthPixels;  // the margin runs to the client's edge
constexpr int PieceTextPixels = 40;            // height of a piece symbol's character cell
constexpr int LabelTextPixels = 11;            // height of the file letters and rank digits
constexpr int MinLabelPixels = 6;              // smallest font a label gets to show its whole text
constexpr int MaxLabelPixels = 16;             // largest label font kept
HFONT PieceFont = nullptr;                     // the chess symbols (or, when no face has them, the letters)
HFONT CoordFont = nullptr;                     // file letters and rank digits
HFONT LabelFonts[MaxLabelPixels + 1] = {};     // the labels' face by pixel height, made on first use
// What the board paints: the squares and the margin on their right.
constexpr RECT BoardArea{BoardLeft, BoardTop, BoardRight, BoardTop + BoardPixels};

std::string Sys(const std::string& utf8) { return ToSystemText(utf8); }

HWND Make(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id) {
    HWND c = CreateWindowExA(0, cls, text ? Sys(text).c_str() : "", WS_CHILD | WS_VISIBLE | style, Px(x), Px(y),
                             Px(w), Px(h), Form, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleA(nullptr), nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    return c;
}
HWND MakeButton(int x, int y, int w, int h, const char* text, int id) {
    return Make("BUTTON", text, WS_TABSTOP | BS_PUSHBUTTON, x, y, w, h, id);
}
// The labels' face (the system's dialog font) at a given pixel height,
// made once and kept while the window lives.
HFONT LabelFont(int height) {
    height = std::clamp(height, MinLabelPixels, MaxLabelPixels);
    if (!LabelFonts[height]) {
        LOGFONTA lf{};
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
        lf.lfHeight = -height;
        LabelFonts[height] = CreateFontIndirectA(&lf);
    }
    return LabelFonts[height];
}

// The design assumes a narrow system font: a text wider than its label gets
// the same face at a smaller size instead of being cut; the status label is
// fitted again for every text it shows.
void FitFont(HWND c, const std::string& text) {
    HDC dc = GetDC(c);
    if (!dc) return;
    RECT r{};
    GetClientRect(c, &r);
    LOGFONTA lf{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    int height = lf.lfHeight < 0 ? -lf.lfHeight : 11;
    for (; height > MinLabelPixels; --height) {
        HGDIOBJ old = SelectObject(dc, LabelFont(height));
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        if (size.cx <= r.right) break;
    }
    ReleaseDC(c, dc);
    HFONT chosen = LabelFont(height);
    if (reinterpret_cast<HFONT>(SendMessageA(c, WM_GETFONT, 0, 0)) != chosen)
        SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(chosen), TRUE);
}

HWND MakeLabel(int x, int y, int w, int h, const char* text) {
    HWND c = Make("STATIC", text, SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, x, y, w, h, IdLabel);
    if (text) FitFont(c, Sys(text));
    return c;
}
HWND MakeCheck(int x, int y, int w, int h, const char* text, int id) {
    return Make("BUTTON", text, WS_TABSTOP | BS_AUTOCHECKBOX, x, y, w, h, id);
}
HWND MakeInput(int x, int y, int w, int h, const char* text, int id) {
    HWND e = Make("EDIT", text, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, x, y, w, h, id);
    return e;
}
HWND MakeChoice(int x, int y, int w, const char* const* items, int n, int id) {
    HWND c = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                             Px(x), Px(y), Px(w), DropDownHeight, Form,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    for (int i = 0; i < n; ++i) SendMessageA(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i]));
    SendMessageA(c, CB_SETCURSEL, 0, 0);
    return c;
}

std::string TextOf(HWND w) {
    int n = GetWindowTextLengthA(w);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    n = GetWindowTextA(w, s.data(), n + 1);
    s.resize(static_cast<size_t>(std::max(n, 0)));
    return s;
}
void SetText(HWND w, const std::string& utf8) { SetWindowTextA(w, Sys(utf8).c_str()); }
int Selected(HWND combo) { return static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0)); }
void Select(HWND combo, int i) { SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0); }
bool Ticked(HWND check) { return SendMessageA(check, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Tell(const std::string& text) { MessageBoxA(Form, Sys(text).c_str(), AppTitle, MB_OK | MB_ICONEXCLAMATION); }

// The controls the think's report changes.
void AddLogLine(const std::string& line) {
    const std::string shown = Sys(line);
    SendMessageA(log_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    const int count = static_cast<int>(SendMessageA(log_list, LB_GETCOUNT, 0, 0));
    SendMessageA(log_list, LB_SETTOPINDEX, static_cast<WPARAM>(std::max(count - 1, 0)), 0);
    if (HDC dc = GetDC(log_list)) {
        HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SIZE size{};
        if (GetTextExtentPoint32A(dc, shown.c_str(), static_cast<int>(shown.size()), &size) && size.cx + 8 > ListWidest) {
            ListWidest = size.cx + 8;
            SendMessageA(log_list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(ListWidest), 0);
        }
        SelectObject(dc, old);
        ReleaseDC(log_list, dc);
    }
}

void SetStatus(const std::string& text) {
    FitFont(lb_status, Sys(text));
    SetText(lb_status, text);
    UpdateWindow(lb_status);  // at once: no other handler runs inside the search here
}

void EnableStop(bool on) {
    EnableWindow(cb_stop, on);
    EnableWindow(cb_compute, !on);
    EnableWindow(cb_caricaposizione, !on);
}

void BusyCursor(bool on) { SetCursor(LoadCursorA(nullptr, on ? IDC_WAIT : IDC_ARROW)); }

int UsedDepth(bool tell) {
    const std::string text = TextOf(tx_depth);
    const BoxValue used = DepthFromText(text);
    if (used.shown != text) SetText(tx_depth, used.shown);
    if (!used.note.empty() && tell) AddLogLine(used.note);
    return used.value;
}

int32_t UsedTimeBudget() {
    const std::string text = TextOf(tx_time);
    const BoxValue used = SecondsFromText(text);
    if (!used.note.empty()) {
        SetText(tx_time, used.shown);
        AddLogLine(used.note);
    }
    return used.value;
}

// The search's message processing: the window repaints and its buttons
// (Stop, "?") work while the engine thinks.
void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) Esci();
        if (!IsDialogMessageA(Form, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

// The think's report: its start, its outcome and its end.
void ThinkStarted() {
    PumpMessages();  // the window repaints before the think
    BusyCursor(true);
    SetStatus("");
    EnableStop(true);
}

void ShowOutcome(const ThinkOutcome& outcome) {
    const OutcomeTexts texts = OutcomeTextsOf(outcome);
    for (const std::string& line : texts.rootLines) AddLogLine(line);
    if (!texts.status.empty()) SetStatus(texts.status);
    for (const std::string& line : texts.moveLines) AddLogLine(line);
    EnableStop(false);
}

void ThinkEnded() {
    EnableStop(false);
    BusyCursor(false);
}

// The board. It is painted into a bitmap first and copied in one piece, so
// that it does not flicker; the form's background is erased around it.
constexpr COLORREF LightSquare = RGB(240, 217, 181);
constexpr COLORREF DarkSquare = RGB(181, 136, 99);
constexpr COLORREF LightSelected = RGB(160, 200, 235);  // the piece picked by a first click
constexpr COLORREF DarkSelected = RGB(105, 155, 200);
constexpr COLORREF LightLastMove = RGB(230, 224, 125);  // the two squares of the last move played
constexpr COLORREF DarkLastMove = RGB(190, 178, 75);
constexpr COLORREF WhitePiece = RGB(255, 255, 255);
constexpr COLORREF BlackPiece = RGB(0, 0, 0);

constexpr wchar_t ChessSymbolProbe[] = L"\u2654\u265A\u265F";  // white king, black king, black pawn
bool PieceLetters = false;                                     // no installed face has the chess symbols

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// A font of the face at the height when it is installed and has the chess
// symbols; null otherwise.
HFONT ChessFont(HDC dc, const wchar_t* face, int height) {
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    bool installed = false;
    EnumFontFamiliesExW(dc, &lf, FaceFound, reinterpret_cast<LPARAM>(&installed), 0);
    if (!installed) return nullptr;
    lf.lfHeight = -height;
    lf.lfQuality = ANTIALIASED_QUALITY;
    HFONT font = CreateFontIndirectW(&lf);
    if (!font) return nullptr;
    HGDIOBJ old = SelectObject(dc, font);
    WORD glyphs[3] = {};
    const bool drawn = GetGlyphIndicesW(dc, ChessSymbolProbe, 3, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == 3 &&
                       std::none_of(glyphs, glyphs + 3, [](WORD g) { return g == 0xFFFF; });
    SelectObject(dc, old);
    if (drawn) return font;
    DeleteObject(font);
    return nullptr;
}

// The pieces in "Segoe UI Symbol" (Windows), else "DejaVu Sans" (Wine and
// others); without either the pieces are drawn as their letters.
void ChooseBoardFonts() {
    HDC dc = GetDC(Form);
    for (const wchar_t* face : {L"Segoe UI Symbol", L"DejaVu Sans"})
        if (!PieceFont && dc) PieceFont = ChessFont(dc, face, PieceTextPixels);
    if (dc) ReleaseDC(Form, dc);
    LOGFONTA lf{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    if (!PieceFont) {
        PieceLetters = true;
        lf.lfHeight = -PieceTextPixels * 2 / 3;
        lf.lfWeight = FW_BOLD;
        PieceFont = CreateFontIndirectA(&lf);
    }
    lf.lfHeight = -LabelTextPixels;
    lf.lfWeight = FW_BOLD;
    CoordFont = CreateFontIndirectA(&lf);
}

RECT SquareRect(int file, int rank) {
    const int left = BoardLeft + SquarePixels * (file - 1), top = BoardTop + SquarePixels * (8 - rank);
    return {left, top, left + SquarePixels, top + SquarePixels};
}

std::wstring Wide(const char* utf8) {
    wchar_t out[8] = {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out, 8);
    return n > 1 ? std::wstring(out, static_cast<size_t>(n - 1)) : std::wstring();
}

void FillSquare(HDC dc, const RECT& r, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// A white piece is the filled symbol in white inside the outlined one in
// black, so that it stands out on both shades; a black piece is the filled
// symbol in black.
void DrawPiece(HDC dc, RECT r, char piece, bool white) {
    SelectObject(dc, PieceFont);
    if (PieceLetters) {
        const char letter[2] = {piece, 0};
        SetTextColor(dc, white ? WhitePiece : BlackPiece);
        DrawTextA(dc, letter, 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        return;
    }
    const std::wstring filled = Wide(PieceSymbol(piece, false)), outline = Wide(PieceSymbol(piece, true));
    SetTextColor(dc, white ? WhitePiece : BlackPiece);
    DrawTextW(dc, filled.c_str(), static_cast<int>(filled.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (!white) return;
    SetTextColor(dc, BlackPiece);
    DrawTextW(dc, outline.c_str(), static_cast<int>(outline.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

// Paints the squares, their marks, the pieces of the game position and the
// side-to-move marker. It reads the position only through the board rules
// (slice 0), so it may run while the engine thinks.
void PaintBoard(HDC target) {
    const int width = BoardArea.right - BoardArea.left, height = BoardArea.bottom - BoardArea.top;
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bitmap = dc ? CreateCompatibleBitmap(target, width, height) : nullptr;
    if (!bitmap) {
        if (dc) DeleteDC(dc);
        return;
    }
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, CoordFont);
    SetViewportOrgEx(dc, -BoardLeft, -BoardTop, nullptr);  // drawn in client coordinates
    SetBkMode(dc, TRANSPARENT);
    // 1. The margin, on the form's colour.
    FillRect(dc, &BoardArea, GetSysColorBrush(COLOR_BTNFACE));
    for (int rank = 8; rank >= 1; --rank) {
        for (int file = 1; file <= 8; ++file) {
            const SquareView view = BoardSquareView(file, rank);
            RECT r = SquareRect(file, rank);
            // 2. The square, its shade marked when selected or part of the last move.
            const COLORREF shade = view.selected   ? (view.dark ? DarkSelected : LightSelected)
                                   : view.lastMove ? (view.dark ? DarkLastMove : LightLastMove)
                                                   : (view.dark ? DarkSquare : LightSquare);
            FillSquare(dc, r, shade);
            // 3. The file letters along rank 1 and the rank digits along file a,
            //    small, in the other shade.
            SelectObject(dc, CoordFont);
            SetTextColor(dc, view.dark ? LightSquare : DarkSquare);
            RECT inset{r.left + 2, r.top + 1, r.right - 2, r.bottom - 1};
            if (rank == 1) {
                const char letter[2] = {static_cast<char>('a' + file - 1), 0};
                DrawTextA(dc, letter, 1, &inset, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX);
            }
            if (file == 1) {
                const char digit[2] = {static_cast<char>('0' + rank), 0};
                DrawTextA(dc, digit, 1, &inset, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
            }
            // 4. The piece.
            if (view.piece) DrawPiece(dc, r, view.piece, view.white);
        }
    }
    // 5. The side to move, in the right margin: at the bottom for White, at the top for Black.
    const bool white = WhiteMarkerAtBottom();
    const int x = BoardLeft + BoardPixels + (BoardRight - BoardLeft - BoardPixels - MarkerSize) / 2;
    const int y = white ? BoardTop + BoardPixels - MarkerSize - 2 : BoardTop + 2;
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(white ? WHITE_BRUSH : BLACK_BRUSH));
    Ellipse(dc, x, y, x + MarkerSize, y + MarkerSize);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    BitBlt(target, BoardLeft, BoardTop, width, height, dc, BoardLeft, BoardTop, SRCCOPY);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

// The board shows the game position again, at once.
void RedrawBoard() {
    InvalidateRect(Form, &BoardArea, FALSE);
    UpdateWindow(Form);
}

void ShowSideToMove() {
    Select(cbo_colore, SideToMove ? 0 : 1);
    NoteBoardSide();
}

// While the engine thinks the board stays on the position the think
// started from; afterwards it shows the engine's move (or book move).
void Think() {
    RedrawBoard();  // the side to move may have changed
    Thinking = true;
    EngineColour = SideToMove ? 0 : 1;  // the engine plays the side to move
    Analizza();
    Thinking = false;
    if (!BestMoveText.empty()) NoteLastMove(BestMoveText);
    RedrawBoard();
    ShowSideToMove();
}

bool LoadPositionFile(const std::string& path) {
    std::string problem;
    if (!LoadPositionFromFile(path, &problem)) {
        Tell(problem);
        return false;
    }
    SetWindowTextA(lb_prob, FullPath(path).c_str());  // a path is in the code page already
    RedrawBoard();                                    // unmarked: the loaded position has no last move
    ShowSideToMove();
    return true;
}

// Event handlers.
void Form_Load() {
    int level = SettingToInt(ReadSetting("Log", "Level", "0"), 0);
    Select(cbo_loglevel, level < 0 ? 0 : level > 4 ? 4
                                                   : level);
    SetText(tx_depth, ReadSetting("General", "Profondita", std::to_string(DefaultDepth)));
    UsedDepth(false);
    Select(cbo_colore, 0);
    SendMessageA(chk_book, BM_SETCHECK, ReadSetting("Book", "Enabled", "1") == "1" ? BST_CHECKED : BST_UNCHECKED, 0);
}

void cb_caricaposizione_Click() {
    if (Thinking) return;
    const std::string folder = IsFolder("Posizioni") ? FullPath("Posizioni") : FullPath(".");
    char file[MAX_PATH * 4] = "";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Form;
    ofn.lpstrFilter = "FEN Files (*.fen)\0*.fen\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrInitialDir = folder.c_str();
    ofn.lpstrTitle = "Carica Posizione";
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&ofn) || file[0] == '\0') return;  // cancelled
    LoadPositionFile(file);
}

void cb_compute_Click() {
    if (Thinking) return;
    SideToMove = Selected(cbo_colore) == 0 ? True : False;
    NoteBoardSide();
    LogLevel = std::max(Selected(cbo_loglevel), 0);
    WriteSetting("Log", "Level", std::to_string(LogLevel));
    UseTime = Ticked(chk_time) ? True : False;
    BookEnabled = Ticked(chk_book) ? True : False;
    if (BookEnabled && BookLines.size() <= 1) LoadBook();  // ticked after a start-up without the book
    UsedDepth(true);                                       // the setting holds the depth the think uses
    WriteSetting("General", "Profondita", TextOf(tx_depth));
    WriteSetting("Time", "Enabled", UseTime ? "1" : "0");
    WriteSetting("Book", "enabled", BookEnabled ? "1" : "0");
    Think();
}

void cb_stop_Click() { RequestStop(); }

void cb_log_Click() {
    if (!FileExists(LogFilePath)) {
        AddLogLine("Il log non esiste ancora: " + LogFilePath);
        return;
    }
    if (!StartViewer(LogFilePath)) AddLogLine(std::string("Non riesco ad aprire il log con ") + DefaultViewer + ": " + LogFilePath);
}

void Command1_Click() {
    std::string note;
    if (!PlayTypedMove(TextOf(Text1), Thinking, &note)) {
        if (!note.empty()) AddLogLine(note);
        return;
    }
    RedrawBoard();  // the move played, marked as the last one
    LogLevel = std::max(Selected(cbo_loglevel), 0);
    WriteSetting("Log", "Level", std::to_string(LogLevel));
    UseTime = Ticked(chk_time) ? True : False;
    Think();
}

// A left click on the board: a first click picks a piece of the side to
// move, a second one plays the move through the move box, as if typed.
void Board_Click(int x, int y) {
    const BoardClickResult click = BoardClick(x, y, Thinking);
    if (click.redraw) RedrawBoard();
    if (click.move.empty()) return;
    SetText(Text1, click.move);
    Command1_Click();
}

[[noreturn]] void Form_QueryUnload() {
    // For the end-to-end tests: the list as it is when the window closes.
    if (const char* dump = std::getenv("VELMORASCA_WINDOW_DUMP"); dump && *dump) {
        if (FILE* f = std::fopen(dump, "wb")) {
            const int count = static_cast<int>(SendMessageA(log_list, LB_GETCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) {
                std::vector<char> line(static_cast<size_t>(SendMessageA(log_list, LB_GETTEXTLEN, i, 0)) + 1, '\0');
                SendMessageA(log_list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
                std::fprintf(f, "%s\n", line.data());
            }
            std::fclose(f);
        }
    }
    Esci();
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wp) == BN_CLICKED) {
                switch (LOWORD(wp)) {
                    case IdCaricaPosizione: cb_caricaposizione_Click(); return 0;
                    case IdCompute: cb_compute_Click(); return 0;
                    case IdStop: cb_stop_Click(); return 0;
                    case IdLog: cb_log_Click(); return 0;
                    case IdCommand1: Command1_Click(); return 0;
                    case IDOK:  // Enter: in the move box it sends the move
                        if (GetFocus() == Text1) Command1_Click();
                        return 0;
                    default: break;
                }
            }
            break;
        case WM_LBUTTONDOWN:
            Board_Click(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return 0;
        case WM_ERASEBKGND: {
            // Around the board only: the board paints all of its own area.
            HDC dc = reinterpret_cast<HDC>(wp);
            RECT r{};
            GetClientRect(hwnd, &r);
            const int saved = SaveDC(dc);
            ExcludeClipRect(dc, BoardArea.left, BoardArea.top, BoardArea.right, BoardArea.bottom);
            FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
            RestoreDC(dc, saved);
            return 1;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT shown{};
            if (dc && IntersectRect(&shown, &ps.rcPaint, &BoardArea)) PaintBoard(dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_SETCURSOR:
            if (Thinking) {
                SetCursor(LoadCursorA(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_CTLCOLORSTATIC:
            // Labels on the window's own colour, like the form around them.
            SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        case WM_CLOSE:
            Form_QueryUnload();
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

bool CreateForm() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = FormProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = ClassName;
    if (!RegisterClassA(&wc)) return false;
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT r{0, 0, ClientWidthPixels, ClientHeightPixels};  // the designed controls and the board beside them
    AdjustWindowRect(&r, style, FALSE);
    Form = CreateWindowExA(WS_EX_CONTROLPARENT, ClassName, AppTitle, style, CW_USEDEFAULT, CW_USEDEFAULT,
                           r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    if (Form == nullptr) return false;

    cb_caricaposizione = MakeButton(120, 120, 1575, 375, "Carica posizione", IdCaricaPosizione);
    MakeLabel(2040, 120, 375, 255, "Log:");
    cbo_loglevel = MakeChoice(2400, 120, 1455, LogLevelItems, 5, IdLogLevel);
    chk_book = MakeCheck(360, 720, 1335, 255, "Libro aperture", IdBook);
    MakeLabel(2040, 720, 855, 255, "Profondità:");
    tx_depth = MakeInput(3000, 720, 855, 285, "6", IdDepth);
    chk_time = MakeCheck(360, 1200, 1335, 255, "Usa il tempo", IdTime);
    MakeLabel(2040, 1200, 855, 255, "Secondi");
    tx_time = MakeInput(3000, 1200, 855, 285, "60", IdSeconds);
    cb_compute = MakeButton(120, 1680, 1575, 375, "Calcola migliore", IdCompute);
    MakeLabel(2040, 1680, 735, 255, "Muove il:");
    cbo_colore = MakeChoice(2760, 1680, 1095, ColourItems, 2, IdColore);
    lb_status = MakeLabel(120, 2160, 3735, 255, nullptr);
    cb_stop = MakeButton(120, 2520, 1575, 375, "Stop", IdStop);
    EnableWindow(cb_stop, FALSE);
    cb_log = MakeButton(2160, 2520, 1575, 375, "Log...", IdLog);
    log_list = Make("LISTBOX", nullptr, WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
                    120, 3000, 3735, 2010, IdList);
    lb_prob = MakeLabel(120, 5040, 3735, 255, nullptr);
    MakeLabel(120, 5400, 1335, 255, "Mossa avversario:");
    Text1 = MakeInput(1440, 5400, 1095, 285, "", IdText1);
    Command1 = MakeButton(2640, 5400, 1215, 375, "Manda mossa", IdCommand1);
    ChooseBoardFonts();
    return true;
}

}  // namespace

int RunEngineWindow() {
    if (!CreateForm()) {
        PipeWriteAll(2,
                     "Velmorasca: the engine window cannot be made here (no desktop); start the engine with: "
                     "velmorasca.exe xboard\n");
        return 1;
    }
    // Started from the Explorer, the program got a console of its own, which
    // shows nothing in window mode: it is let go. A console shared with a
    // command prompt stays.
    DWORD sharing[2];
    if (GetConsoleProcessList(sharing, 2) == 1 && FreeConsole()) {
        // Its handles are gone with it: the slots forget them, so that no
        // later write or close reaches an object that got the number since.
        SetStdHandle(STD_INPUT_HANDLE, nullptr);
        SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
        SetStdHandle(STD_ERROR_HANDLE, nullptr);
    }
    // The window starts on the standard position, White to move.
    SetInitialPosition();
    SideToMove = True;
    ClearBoardMarks();
    NoteBoardSide();
    // The think reports here, and its move and results go to standard
    // output as in protocol mode.
    Reporter = XboardReporter();
    Reporter.Started = ThinkStarted;
    Reporter.DepthLimit = [] { return UsedDepth(true); };
    Reporter.TimeBudget = UsedTimeBudget;
    Reporter.Progress = [](int32_t positions) { SetStatus(ProgressStatus(positions)); };
    Reporter.Concluded = ShowOutcome;
    Reporter.Ended = ThinkEnded;
    EventPump = PumpMessages;
    Form_Load();
    ShowWindow(Form, SW_SHOWNORMAL);
    UpdateWindow(Form);
    SetForegroundWindow(Form);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(Form, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    Esci();  // the window is gone
}

void InstallEngineWindow() { RunWindow = RunEngineWindow; }
