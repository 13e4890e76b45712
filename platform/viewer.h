// Opening a file in the desktop's viewer for it.
#pragma once
#include <string>

// Starts program (xdg-open by default) on file without waiting for it to
// finish. Its standard input and output are /dev/null, so it can never
// read or write the engine's pipes. False when it cannot be started.
bool StartViewer(const std::string& file, const std::string& program = "xdg-open");
