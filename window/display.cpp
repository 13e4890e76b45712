// The window's parts that need the X headers: opening the display and drawing.
#include "window/display.h"

#include <FL/Fl.H>
#include <FL/Fl_Widget.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

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
