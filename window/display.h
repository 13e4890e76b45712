// The parts of the window that need the X headers, kept apart from the
// engine's headers (X11's names clash with the engine's `Window`).
#pragma once

class Fl_Widget;

// Opens the display named by DISPLAY for FLTK, once; false when there is none.
bool OpenDisplay();

// Gives w's label the largest font size from size down to minSize at which
// its text fits the widget's width less reserve pixels (the tick of a check
// box, a button's frame). The design assumes a narrow system font; without
// an open display the size is left at size.
int FitLabel(Fl_Widget* w, int size, int minSize, int reserve);  // returns the size
// The width in pixels of w's label at its font and size; 0 without a display.
int LabelWidth(Fl_Widget* w);

// One square of the board as it is painted, in the window's pixels.
struct SquarePaint {
    int x, y, size;
    bool dark, lastMove, selected;
    const char* filled;    // the piece's filled symbol in its colour; "" for none
    const char* outlined;  // drawn in black over it (White's pieces); "" for none
    char rankDigit;        // drawn small at the top left; 0 for none
    char fileLetter;       // drawn small at the bottom right; 0 for none
};
void PaintSquare(const SquarePaint& p);
// Clears the area (x, y, w, h) and paints the side-to-move disc centred at
// (cx, cy) in that side's colour.
void PaintSideMarker(int x, int y, int w, int h, int cx, int cy, bool white);
