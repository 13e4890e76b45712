// The engine's version, one for every place that shows it: the xboard
// feature line, the UCI "id name", --version, the package and the zip. It
// comes from the CMake project's version (VELMOR_VERSION, e.g. "1.1").
#pragma once

#ifndef VELMOR_VERSION
#error "VELMOR_VERSION is set by the build from the project's version"
#endif

inline constexpr const char* EngineVersion = VELMOR_VERSION;  // "major.minor"
