// The process entry: everything else of start-up lives in Main.
#include "shell/main.h"

int main(int argc, char** argv) { return Main(argc, argv); }
