// The window's parts that need the X headers: opening the display and drawing.
#include "window/display.h"

#include <FL/Fl.H>
#include <FL/Fl_Widget.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <cstring>

bool OpenDisplay() {
    if (fl_display) return true;
    // FLTK would end the process when the display cannot be opened; try first.
    Display* d = XOpenDisplay(nullptr);
    if (!d) return false;
    fl_open_display(d);
    return true;
}

int FitLabel(Fl_Widget* w, int size, int minSize, int reserve) {
    if (w->label() && fl_display) {
        for (; size > minSize; --size) {
            fl_font(w->labelfont(), size);
            if (fl_width(w->label()) + reserve <= w->w()) break;
        }
    }
    w->labelsize(size);
    return size;
}

int LabelWidth(Fl_Widget* w) {
    if (!w->label() || !fl_display) return 0;
    fl_font(w->labelfont(), w->labelsize());
    return static_cast<int>(fl_width(w->label()));
}

namespace {

// The font of the chess symbols and the coordinates, and the sizes used.
constexpr Fl_Font BoardFont = FL_FREE_FONT;
constexpr int PieceSize = 38;
constexpr int CoordinateSize = 9;
constexpr int CoordinateInset = 2;  // pixels from the square's edge
constexpr int MarkerRadius = 5;

// Square colours: plain, on the last move's squares, and the chosen one.
const Fl_Color LightSquare = fl_rgb_color(240, 217, 181);
const Fl_Color DarkSquare = fl_rgb_color(181, 136, 99);
const Fl_Color LightLastMove = fl_rgb_color(246, 235, 114);
const Fl_Color DarkLastMove = fl_rgb_color(218, 195, 74);
const Fl_Color SelectedSquare = fl_rgb_color(126, 178, 96);
const Fl_Color WhiteColour = fl_rgb_color(255, 255, 255);
const Fl_Color BlackColour = fl_rgb_color(0, 0, 0);

void UseBoardFont(int size) {
    static bool named = false;
    if (!named) Fl::set_font(BoardFont, " DejaVu Sans"), named = true;  // the leading blank: the plain style
    fl_font(BoardFont, size);
}

// The glyph's own box, not the font's line height, centred in the square.
void DrawCentred(const char* text, int x, int y, int size) {
    int dx, dy, w, h;
    fl_text_extents(text, dx, dy, w, h);
    fl_draw(text, x + (size - w) / 2 - dx, y + (size - h) / 2 - dy);
}

}  // namespace

void PaintSquare(const SquarePaint& p) {
    // 1. The square, tinted when it is marked.
    Fl_Color colour = p.dark ? DarkSquare : LightSquare;
    if (p.lastMove) colour = p.dark ? DarkLastMove : LightLastMove;
    if (p.selected) colour = SelectedSquare;
    fl_rectf(p.x, p.y, p.size, p.size, colour);
    // 2. The coordinates, small, in the other square colour.
    UseBoardFont(CoordinateSize);
    fl_color(p.dark ? LightSquare : DarkSquare);
    if (p.rankDigit) {
        const char digit[2] = {p.rankDigit, 0};
        fl_draw(digit, p.x + CoordinateInset, p.y + CoordinateInset + fl_height() - fl_descent());
    }
    if (p.fileLetter) {
        const char letter[2] = {p.fileLetter, 0};
        fl_draw(letter, p.x + p.size - CoordinateInset - static_cast<int>(fl_width(letter)),
                p.y + p.size - CoordinateInset - fl_descent());
    }
    // 3. The piece: the filled symbol, white or black, and the outlined one
    //    over a white piece, so that it is light with a dark edge.
    UseBoardFont(PieceSize);
    if (*p.filled) {
        fl_color(*p.outlined ? WhiteColour : BlackColour);
        DrawCentred(p.filled, p.x, p.y, p.size);
    }
    if (*p.outlined) {
        fl_color(BlackColour);
        DrawCentred(p.outlined, p.x, p.y, p.size);
    }
}

void PaintSideMarker(int x, int y, int w, int h, int cx, int cy, bool white) {
    fl_rectf(x, y, w, h, FL_BACKGROUND_COLOR);
    const int d = 2 * MarkerRadius;
    fl_color(white ? WhiteColour : BlackColour);
    fl_pie(cx - MarkerRadius, cy - MarkerRadius, d, d, 0, 360);
    fl_color(BlackColour);
    fl_arc(cx - MarkerRadius, cy - MarkerRadius, d, d, 0, 360);
}
