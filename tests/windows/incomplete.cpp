// velmorutil-incomplete.dll: a companion library that lacks four of the
// five exports, for the test of the engine's start-up with a wrong DLL.
#include <cstdint>

extern "C" __declspec(dllexport) void __stdcall WriteLog(const char*, const char*, int32_t, int32_t) {}
