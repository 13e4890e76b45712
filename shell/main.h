// Start-up, the command loop and shutdown.
#pragma once
#include <string>
#include "position/variabili.h"

extern Bool16 ProtocolMode;      // started with the xboard switch
extern std::string LogFilePath;  // the log file beside the program

int Main(int argc, char** argv);
[[noreturn]] void CommandLoop();
[[noreturn]] void Esci();

// The engine window, linked in when the program is built with it (the
// velmorasca target then defines VELMOR_WINDOW and Main calls these).
// RunWindow: shows the window and runs its events; closing it ends the
// process through Esci. Without a display it writes why to standard error
// and returns a non-zero exit status.
int RunWindow();
// A modal message box with an OK button; false when no display is there.
// Main installs it as the message-box hook before anything else runs.
bool WindowMessageBox(const std::string& title, const std::string& text);
