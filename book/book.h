// The opening book: lines of 4-character moves from the start position.
#pragma once
#include <string>
#include <vector>

extern std::vector<std::string> BookLines;  // entry 0 empty and unused; 1..n the file's lines

void LoadBook();
std::string BookMove();
