// Opening a file in the desktop's viewer for it.
#pragma once
#include <string>

#if defined(_WIN32)
inline constexpr const char* DefaultViewer = "notepad";
#else
inline constexpr const char* DefaultViewer = "xdg-open";
#endif

// Starts program (DefaultViewer by default) on file without waiting for it
// to finish. It never gets the engine's pipes: on Linux its standard input
// and output are /dev/null, on Windows it inherits no handles. False when
// it cannot be started.
bool StartViewer(const std::string& file, const std::string& program = DefaultViewer);
