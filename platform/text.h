// Text for the files and boxes of the system: the engine's own texts are
// UTF-8 in the sources; Windows files and the ANSI services take the
// system's single-byte code page (Windows-1252 on Western systems).
#pragma once
#include <string>

#if defined(_WIN32)
// text in the system's code page. Text that is not valid UTF-8 is taken to
// be in that code page already (a command line, a protocol line) and is
// returned as it is; so is text with a character the code page lacks.
std::string ToSystemText(const std::string& text);
#else
// Linux files keep UTF-8.
inline std::string ToSystemText(const std::string& text) { return text; }
#endif
