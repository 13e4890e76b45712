// Perft: the leaf positions below the current ply, counted through the search's own generation and making.
#include "rules/perft.h"

#include "position/generate.h"
#include "position/variabili.h"
#include "rules/makemove.h"

uint64_t Perft(int depth) {
    if (depth == 0) return 1;
    GenerateMoves();
    const int n = MoveCount[Ply];
    uint64_t nodes = 0;
    for (int i = 0; i < n; ++i) {
        if (MakeMove()) {
            VELMOR_ASSERT_POSITION(Ply + 1, "MakeMove");
            EnterPly();
            nodes += Perft(depth - 1);
            LeavePly();
        }
        PopMove();
    }
    return nodes;
}
