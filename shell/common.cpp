// Settings access, the log call and the board print shared by every part.
#include "shell/common.h"

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>

#include "companion/velmorutil.h"
#include "platform/filelocations.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "shell/lines.h"

int32_t LogLevel = 0;             // from Log/Level at start-up; 0 = no log
Bool16 BookEnabled = False;       // from Book/Enabled at start-up; off once the book runs dry
Bool16 UseTime = False;           // from Time/Enabled on "new" and "go"
bool SettingsFileEnabled = true;  // false in the tools: defaults only, no file written

std::string SettingsFilePath() { return PreparedEngineFiles().settings; }
// Only named here (the window's log button), not yet written: nothing is made ready.
std::string LogFilePathName() { return EngineFileLocations().log; }
std::string BookFilePath() { return PreparedEngineFiles().book; }

Bool16 FileExists(const std::string& path) { return IsNormalFile(path) ? True : False; }

namespace {

// Values set for the run, keyed by section and key in lower case.
std::map<std::pair<std::string, std::string>, std::string> Overrides;

std::pair<std::string, std::string> OverrideKey(const std::string& section, const std::string& key) {
    return {AsciiLower(section), AsciiLower(key)};
}

}  // namespace

void OverrideSetting(const std::string& section, const std::string& key, const std::string& value) {
    Overrides[OverrideKey(section, key)] = value;
}

void ClearSettingOverrides() { Overrides.clear(); }

bool PeekSetting(const std::string& section, const std::string& key, std::string& value) {
    value.clear();
    if (!SettingsFileEnabled) return false;
    const std::string path = SettingsFilePath();
    return FileExists(path) && ProfileRead(path, section, key, value) && !value.empty();
}

std::string ReadSetting(const std::string& section, const std::string& key, const std::string& dflt) {
    if (!Overrides.empty()) {
        auto it = Overrides.find(OverrideKey(section, key));
        if (it != Overrides.end()) return it->second;
    }
    if (!SettingsFileEnabled) return dflt;
    std::string value;
    // A missing file or a missing or empty key is seeded with the default.
    if (!PeekSetting(section, key, value)) {
        WriteSetting(section, key, dflt);
        return dflt;
    }
    return value;
}

void WriteSetting(const std::string& section, const std::string& key, const std::string& value) {
    if (!SettingsFileEnabled) return;
    ProfileWrite(SettingsFilePath(), section, key, value);
}

void Log(const char* source, const std::string& message, int32_t messageLevel) {
    // The log file is in the system's code page (on Windows the engine's
    // UTF-8 texts are converted; on Linux they stay as they are).
    WriteLog(source, ToSystemText(message).c_str(), LogLevel, messageLevel);
}

void StampaPosizione() {
    if (ReadSetting("Print", "Position", "N") != "S") return;
    int ply = (Ply >= 0 && Ply <= MaxPly) ? Ply : 0;
    for (int rank = 8; rank >= 1; --rank) {
        std::string line;
        for (int file = 1; file <= 8; ++file) {
            char cell[8];
            std::snprintf(cell, sizeof cell, " %02u ", static_cast<unsigned>(Sq(rank, file, ply)) % 100u);
            line += cell;
        }
        Log("StampaPosizione", line, 1);
    }
    Log("StampaPosizione", std::string(32, '-'), 1);
}

double LeadingNumber(const std::string& text, size_t* length) {
    auto digit = [&](size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    while (digit(i)) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (digit(i)) ++i, ++digits;
    }
    if (digits == 0) {
        if (length) *length = 0;
        return 0.0;
    }
    // An exponent counts only when digits follow it.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (digit(j)) {
            while (digit(j)) ++j;
            i = j;
        }
    }
    if (length) *length = i;
    return std::strtod(text.substr(start, i - start).c_str(), nullptr);
}

int32_t RoundToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    double r = std::nearbyint(value);
    std::fesetround(saved);
    return static_cast<int32_t>(r);
}

int32_t SettingToInt(const std::string& value, int32_t dflt) {
    size_t used = 0;
    double v = LeadingNumber(value, &used);
    if (used == 0) return dflt;
    for (size_t i = used; i < value.size(); ++i)
        if (value[i] != ' ' && value[i] != '\t') return dflt;
    return RoundToInt32(v);
}
