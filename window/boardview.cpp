// The engine window's board. Everything it shows comes from the board rules,
// which read only the game position (slice 0), so it may be repainted during
// a think; the painting itself is in window/display.cpp.
#include "window/boardview.h"

#include <FL/Fl.H>

#include "window/display.h"
#include "window/formrules.h"

namespace {

constexpr int MarkerOffset = 10;  // the marker's centre from the board's top or bottom edge

}  // namespace

BoardView::BoardView() : Fl_Widget(BoardLeft, BoardTop, ClientWidthPixels - BoardLeft, BoardPixels) {}

void BoardView::draw() {
    // 1. The margin right of the board with the side to move: a disc at
    //    White's edge (the bottom) for White, at the top for Black.
    const bool white = WhiteMarkerAtBottom();
    PaintSideMarker(BoardLeft + BoardPixels, y(), x() + w() - BoardLeft - BoardPixels, h(),
                    (BoardLeft + BoardPixels + x() + w()) / 2,
                    white ? BoardTop + BoardPixels - MarkerOffset : BoardTop + MarkerOffset, white);
    // 2. The squares, with rank digits on file a and file letters on rank 1.
    for (int rank = 8; rank >= 1; --rank)
        for (int file = 1; file <= 8; ++file) {
            const SquareView v = BoardSquareView(file, rank);
            PaintSquare({BoardLeft + SquarePixels * (file - 1), BoardTop + SquarePixels * (8 - rank), SquarePixels, v.dark,
                         v.lastMove, v.selected, PieceSymbol(v.piece, false), v.white ? PieceSymbol(v.piece, true) : "",
                         file == 1 ? static_cast<char>('0' + rank) : '\0',
                         rank == 1 ? static_cast<char>('a' + file - 1) : '\0'});
        }
}

int BoardView::handle(int event) {
    if (event != FL_PUSH || Fl::event_button() != FL_LEFT_MOUSE) return Fl_Widget::handle(event);
    // Event coordinates are the window's, where the board's geometry is measured.
    const BoardClickResult click = BoardClick(Fl::event_x(), Fl::event_y(), Thinking && Thinking());
    if (click.redraw) redraw();
    if (!click.move.empty() && PlayMove) PlayMove(click.move);
    return 1;
}
