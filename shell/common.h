// Settings file access, the log call convention and the board print.
#pragma once
#include <cstdint>
#include <string>
#include "position/variabili.h"

extern int32_t LogLevel;    // configured log level 0..4, passed to every log call
extern Bool16 BookEnabled;  // the opening book is loaded and consulted
extern Bool16 UseTime;      // the think driver budgets by the clock

std::string ReadSetting(const std::string& section, const std::string& key, const std::string& dflt);
void WriteSetting(const std::string& section, const std::string& key, const std::string& value);
Bool16 FileExists(const std::string& path);
void StampaPosizione();

// Log through the companion library with the configured LogLevel.
void Log(const char* source, const std::string& message, int32_t messageLevel = 1);

// Paths of the files beside the program.
std::string SettingsFilePath();
std::string LogFilePathName();
std::string BookFilePath();

// Whole number from a settings value: leading blanks, optional sign, digits;
// anything else gives dflt. Values outside int32 range clamp.
int32_t SettingToInt(const std::string& value, int32_t dflt = 0);
