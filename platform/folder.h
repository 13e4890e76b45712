// The folder that holds the running program.
#pragma once
#include <string>

// Separator between a folder and a name in the paths the engine builds.
#if defined(_WIN32)
inline constexpr const char* PathSeparator = "\\";
#else
inline constexpr const char* PathSeparator = "/";
#endif

// Folder of the running program (/proc/self/exe on Linux, the module file
// name on Windows), without a trailing separator; "." when unknown.
std::string ProgramFolder();
