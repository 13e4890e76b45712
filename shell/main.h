// Start-up, the command loop and shutdown.
#pragma once
#include <string>
#include "position/variabili.h"

extern Bool16 ProtocolMode;      // started with the xboard switch
extern std::string LogFilePath;  // the log file beside the program

int Main(int argc, char** argv);
[[noreturn]] void CommandLoop();
[[noreturn]] void Esci();
