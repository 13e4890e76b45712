// Start-up, the command loop and shutdown (shell/main.cpp). The process
// entry `int main` is in shell/entry.cpp, so that main.cpp belongs to the
// engine library and the tools and tests link it too: do not define main here.
#pragma once
#include <string>
#include "position/gamestate.h"
#include "position/variabili.h"

// ProtocolMode, defined in main.cpp, is declared in position/gamestate.h.
extern std::string LogFilePath;  // the log file (beside the program, or in the user's folders when installed)

// How the command line starts the engine: the window (no argument), the
// xboard protocol (one or more of "xboard", "/xboard", "-xboard" in any
// case), UCI ("uci", "/uci" or "-uci" alone, or no argument under a
// program name ending in "-uci"), the informative "--version" or "--help"
// (each only as the whole command line), or none (any other command line).
enum class StartMode { Window,
                       Xboard,
                       Uci,
                       Version,
                       Help,
                       Unknown };
StartMode StartModeOf(int argc, char** argv);

int Main(int argc, char** argv);
[[noreturn]] void CommandLoop();
[[noreturn]] void Esci();

// The engine window's entry, null when the program has no window. Set by
// the program's entry before Main runs, when the window is built in
// (VELMOR_WINDOW), together with MessageBoxHook (platform/msgbox.h). It
// shows the window and runs its events; closing the window ends the process
// through Esci. Without a display it says why on standard error and returns
// a non-zero exit status.
extern int (*RunWindow)();
