// The UCI protocol interpreter: the same engine driven by UCI interfaces.
// Each line is handled in order; a "go" runs the whole think before the
// next line is looked at, except "stop", "isready" and "quit", which act
// during the think.
#pragma once
#include <string>

// Prepares UCI mode after start-up: the option defaults are the settings
// file's values now, read without writing anything.
void StartUci();

// Handles every complete line in text, in order; an unfinished last line is
// kept until the rest of it arrives.
void ParseUciCommand(const std::string& text);

// During a think: takes what waits on standard input without blocking.
// "stop" stops the search (it still answers with its move), "isready" is
// answered at once, "quit" or the end of input ends the engine; every
// other line waits until the think is over. Installed as the search's
// event pump in UCI mode.
void UciPollDuringThink();
