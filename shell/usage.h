// The two informative switches, --version and --help, each accepted only as
// the whole command line (in any case): the text goes to standard output.
#pragma once

// Answers --version or --help and returns the exit status (0); -1 when the
// command line is anything else, which the ordinary grammar then judges.
int AnswerInformativeSwitch(int argc, char** argv);
