// A message to the user that must be seen: always written to standard error
// and, when a window system is present, also shown as a message box.
#pragma once
#include <string>

// Shows a message box with an OK button and waits until it is closed;
// returns false when no box could be shown (no display). Set by the window
// module; null when the program has no window.
extern bool (*MessageBoxHook)(const std::string& title, const std::string& text);

// Writes "text" and a line feed to standard error, then shows the box through
// MessageBoxHook when one is set.
void ShowMessage(const std::string& title, const std::string& text);
