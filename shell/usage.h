// The texts of the two informative switches, --version and --help (the
// command line's grammar, in shell/main, decides when they are asked for).
#pragma once

// Print the text on standard output and return the exit status, 0.
int PrintVersion();  // "Velmorasca " and the version
int PrintHelp();     // how to start each mode, where the files live, every settings key
