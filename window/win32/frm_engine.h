// The engine window on Windows: a plain Win32 window with the controls,
// texts and places of the FLTK window (window/frm_engine.h), built where
// FLTK is not available (the mingw-w64 build).
#pragma once
#include <string>

// Points the start-up's RunWindow here.
void InstallEngineWindow();

// The program's window mode: makes and shows the window and runs its
// messages; closing the window ends the process through Esci. Without a
// desktop (the window cannot be made) it says so and returns 1.
int RunEngineWindow();
