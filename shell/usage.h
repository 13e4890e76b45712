// The two informative switches, --version and --help: each prints its text
// on standard output and gives the exit status (0).
#pragma once

int PrintVersion();
int PrintHelp();
