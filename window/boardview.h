// The engine window's board: the game position drawn square by square from
// the board rules (window/formrules.h), with the side-to-move marker in the
// margin on its right, and clicks passed back to those rules.
#pragma once
#include <FL/Fl_Widget.H>

#include <string>

class BoardView : public Fl_Widget {
public:
    // Covers the board and the margin right of it up to the window's edge;
    // placed at the board's corner in the client area.
    BoardView();

    // Whether a think runs (clicks then do nothing), and what plays the
    // move that two clicks made.
    bool (*Thinking)() = nullptr;
    void (*PlayMove)(const std::string& move) = nullptr;

    void draw() override;
    int handle(int event) override;
};
