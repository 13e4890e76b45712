// Pipe I/O on the standard handles.
#pragma once
#include <string>
#include "position/variabili.h"

// True when standard input has bytes waiting (or has reached its end, which
// ReadInput then reports). Waits up to waitMs milliseconds for them.
Bool16 InputWaiting(int waitMs = 0);
// One read of at most 2048 bytes; empty text at end of input (InputEnded set).
std::string ReadInput();
// True once a read has found the end of standard input.
extern bool InputEnded;
// Writes line feed, text, line feed in one write; returns what was written.
std::string SendLine(const std::string& text);
// Writes the text and one line feed in one write (the UCI framing).
void SendPlainLine(const std::string& text);
void CloseStandardHandles();
