// The process entry: everything else of start-up lives in Main.
#include "shell/main.h"
#if defined(_WIN32)
#include "companion/velmorutil.h"
#endif
#ifdef VELMOR_WINDOW
#include "window/frm_engine.h"
#endif
#ifdef VELMOR_WIN32_WINDOW
#include "window/win32/frm_engine.h"
#endif

int main(int argc, char** argv) {
#if defined(_WIN32)
    LoadCompanion();  // velmorutil.dll beside the program, or a clear message and exit status 1
#endif
#if defined(VELMOR_WINDOW) || defined(VELMOR_WIN32_WINDOW)
    InstallEngineWindow();  // RunWindow (and, with FLTK, the message box)
#endif
    return Main(argc, argv);
}
