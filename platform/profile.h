// INI profile files: "[section]" lines, "key=value" lines, everything else
// (comments, blank lines, foreign text) kept as it is. Section and key names
// are matched without regard to case.
#pragma once
#include <cstddef>
#include <string>

// Longest value returned (a 255-character buffer with its terminating zero).
inline constexpr size_t ProfileValueMax = 254;

// Reads the value of key in section into value: blanks stripped at both
// ends, cut at a zero byte, at most ProfileValueMax characters. Returns false
// (value empty) when the file, the section or the key is missing, or the
// path is not a regular file.
bool ProfileRead(const std::string& path, const std::string& section, const std::string& key,
                 std::string& value);

// Sets key=value in section, adding the key (at the end of the section) or
// the section (at the end of the file) when missing; the file is created
// when it does not exist. The new text goes to a temporary file in the same
// folder that then replaces the old one, so the file is never half written.
// A value is cut at its first line end. Returns false when nothing could be
// written (read-only folder, the path is a folder, a name that cannot be
// stored).
bool ProfileWrite(const std::string& path, const std::string& section, const std::string& key,
                  const std::string& value);
