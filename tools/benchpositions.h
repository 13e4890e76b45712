// The fixed positions of velmorasca-bench. The unit test of the search's
// signature searches the same list, so both always agree.
#pragma once

struct BenchPosition {
    const char* name;
    const char* fen;
};

inline constexpr BenchPosition BenchPositions[] = {
    {"start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"},
    {"open game", "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3"},
    {"italian", "r1bqk1nr/pppp1ppp/2n5/2b1p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"},
    {"middlegame", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"},
    {"queens gambit", "r1bq1rk1/pp2bppp/2n1pn2/2pp4/2PP4/2N1PN2/PP2BPPP/R1BQ1RK1 w - - 0 8"},
    {"black to move", "r2q1rk1/ppp2ppp/2np1n2/2b1p1B1/2B1P1b1/2NP1N2/PPP2PPP/R2Q1RK1 b - - 0 8"},
    {"rook ending", "8/5pk1/6p1/8/3R4/6P1/r4PK1/8 w - - 0 40"},
    {"pawn ending", "8/8/4k3/8/3PK3/8/8/8 w - - 0 50"},
    {"promotion", "8/P6k/8/8/8/8/6Kp/8 w - - 0 60"},
    {"mate in two", "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1"},
};
