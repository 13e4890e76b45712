// The process entry: everything else of start-up lives in Main.
#include "shell/main.h"
#ifdef VELMOR_WINDOW
#include "window/frm_engine.h"
#endif

int main(int argc, char** argv) {
#ifdef VELMOR_WINDOW
    InstallEngineWindow();  // RunWindow and the message box
#endif
    return Main(argc, argv);
}
