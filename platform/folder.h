// The folder that holds the running program.
#pragma once
#include <string>

// Directory of /proc/self/exe, without a trailing "/"; "." when unknown.
std::string ProgramFolder();
