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
