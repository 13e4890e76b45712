// Settings file access, the log call convention and the board print.
#pragma once
#include <cstdint>
#include <string>
#include "position/variabili.h"

extern int32_t LogLevel;    // configured log level 0..4, passed to every log call
extern Bool16 BookEnabled;  // the opening book is loaded and consulted
extern Bool16 UseTime;      // the think driver budgets by the clock
// False in the tools: settings then read as their defaults and nothing is written.
extern bool SettingsFileEnabled;

std::string ReadSetting(const std::string& section, const std::string& key, const std::string& dflt);
// A value that stands for section/key while the engine runs: ReadSetting
// returns it and writes nothing; the file keeps its own value. Names are
// matched without regard to case, as in the file.
void OverrideSetting(const std::string& section, const std::string& key, const std::string& value);
// Every override gone: the file's values stand again.
void ClearSettingOverrides();
// The file's value of section/key without writing anything: false when the
// file, the key or its value is missing (an override is not looked at).
bool PeekSetting(const std::string& section, const std::string& key, std::string& value);
void WriteSetting(const std::string& section, const std::string& key, const std::string& value);
Bool16 FileExists(const std::string& path);
void StampaPosizione();

// Log through the companion library with the configured LogLevel.
void Log(const char* source, const std::string& message, int32_t messageLevel = 1);

// Paths of the settings file, the log and the book: beside a portable
// program, in the user's folders for an installed one.
std::string SettingsFilePath();
std::string LogFilePathName();
std::string BookFilePath();

// Whole number from a settings value: blanks, optional sign, digits, and an
// optional fraction or exponent, the whole text and nothing else; anything
// else gives dflt. Rounded half to even; values outside int32 range clamp.
int32_t SettingToInt(const std::string& value, int32_t dflt = 0);

// The leading decimal number of text as a decimal reader takes it (leading
// blanks, sign, digits, fraction, exponent); 0 when there is none.
// *length (when given) is the number of characters used, 0 for none.
double LeadingNumber(const std::string& text, size_t* length = nullptr);
// Rounded half to even and clamped to the int32 range.
int32_t RoundToInt32(double value);
