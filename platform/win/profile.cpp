// The settings file through the Windows profile services, which keep the
// file's comments, other sections and line ends, and match section and key
// names without regard to case.
#include "platform/profile.h"
#include "platform/profiletext.h"

#include <windows.h>

#include "platform/text.h"

namespace {

std::string Trim(const std::string& s) { return TrimProfileText(s); }

bool HasAny(const std::string& s, const char* chars) { return s.find_first_of(chars) != std::string::npos; }

// Names the services can store and find again: not empty, one line, no
// bracket or equals sign that would end them early, no comment mark first.
bool SoundNames(const std::string& section, const std::string& key) {
    if (section.empty() || key.empty()) return false;
    if (section.find('\0') != std::string::npos || key.find('\0') != std::string::npos) return false;
    if (HasAny(section, "]\r\n") || HasAny(key, "=\r\n")) return false;
    return key[0] != '[' && key[0] != ';' && key[0] != '#';
}

bool IsFolder(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool ProfileRead(const std::string& path, const std::string& section, const std::string& key,
                 std::string& value) {
    value.clear();
    std::string sec = Trim(section), k = Trim(key);
    if (!SoundNames(sec, k) || IsFolder(path)) return false;
    // 255 characters with the terminating zero; the empty text stands for
    // a missing file, section or key (the caller treats an empty value alike).
    char buf[ProfileValueMax + 1] = {};
    DWORD n = GetPrivateProfileStringA(sec.c_str(), k.c_str(), "", buf, sizeof buf, path.c_str());
    if (n > ProfileValueMax) n = ProfileValueMax;
    value = Trim(std::string(buf, n));
    return !value.empty();
}

bool ProfileWrite(const std::string& path, const std::string& section, const std::string& key,
                  const std::string& value) {
    std::string sec = Trim(section), k = Trim(key);
    if (!SoundNames(sec, k) || IsFolder(path)) return false;
    std::string v = value.substr(0, value.find_first_of(std::string("\r\n\0", 3)));
    return WritePrivateProfileStringA(sec.c_str(), k.c_str(), ToSystemText(v).c_str(), path.c_str()) != 0;
}
