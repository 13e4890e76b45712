// Loading velmorutil.dll by name from the program's folder and resolving
// its five exports. The engine's entry calls LoadCompanion before anything
// else; until then (and in the tools, which never call it) each export
// name points at a stand-in that loads the library on first use and then
// forwards the call, so no call site needs to know.
#include "companion/velmorutil.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/folder.h"
#include "platform/msgbox.h"

namespace {

const char* const LibraryName = "velmorutil.dll";

void VELMOR_STDCALL FirstWriteLog(const char* source, const char* message, int32_t configured, int32_t level) {
    LoadCompanion();
    WriteLog(source, message, configured, level);
}
void VELMOR_STDCALL FirstCopyValues(void* first, int32_t length) {
    LoadCompanion();
    CopyValues(first, length);
}
int32_t VELMOR_STDCALL FirstBianco(const uint8_t* board, uint8_t r, uint8_t f, int32_t ply, const uint8_t* promoted) {
    LoadCompanion();
    return fBianco(board, r, f, ply, promoted);
}
int32_t VELMOR_STDCALL FirstNero(const uint8_t* board, uint8_t r, uint8_t f, int32_t ply, const uint8_t* promoted) {
    LoadCompanion();
    return fNero(board, r, f, ply, promoted);
}
int32_t VELMOR_STDCALL FirstCavallo(uint8_t tr, uint8_t tf, uint8_t kr, uint8_t kf) {
    LoadCompanion();
    return fCavallo(tr, tf, kr, kf);
}

[[noreturn]] void Fail(const std::string& text) {
    ShowMessage("Velmorasca", text);
    std::exit(1);
}

// The export name, or the end of the process when the library lacks it.
template <typename Proc>
Proc Resolve(HMODULE library, const std::string& path, const char* name) {
    FARPROC p = GetProcAddress(library, name);
    if (p == nullptr)
        Fail(std::string("The engine cannot start: ") + path + " has no function " + name +
             "; install the velmorutil.dll that came with velmorasca.exe.");
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(p));
}

}  // namespace

extern "C" {
WriteLogProc WriteLog = FirstWriteLog;        // velmorutil.dll's WriteLog once loaded
CopyValuesProc CopyValues = FirstCopyValues;  // velmorutil.dll's CopyValues once loaded
KingTestProc fBianco = FirstBianco;           // velmorutil.dll's fBianco once loaded
KingTestProc fNero = FirstNero;               // velmorutil.dll's fNero once loaded
KnightTestProc fCavallo = FirstCavallo;       // velmorutil.dll's fCavallo once loaded

void LoadCompanion(void) {
    static bool loaded = false;
    if (loaded) return;
    // The full path: the copy beside the program, never one found on the
    // search path.
    const std::string path = ProgramFolder() + PathSeparator + LibraryName;
    HMODULE library = LoadLibraryA(path.c_str());
    if (library == nullptr)
        Fail("The engine cannot start: " + path +
             " is missing or cannot be loaded; copy velmorutil.dll "
             "beside velmorasca.exe.");
    // All five first, so a library that lacks one changes nothing.
    WriteLogProc writeLog = Resolve<WriteLogProc>(library, path, "WriteLog");
    CopyValuesProc copyValues = Resolve<CopyValuesProc>(library, path, "CopyValues");
    KingTestProc bianco = Resolve<KingTestProc>(library, path, "fBianco");
    KingTestProc nero = Resolve<KingTestProc>(library, path, "fNero");
    KnightTestProc cavallo = Resolve<KnightTestProc>(library, path, "fCavallo");
    WriteLog = writeLog;
    CopyValues = copyValues;
    fBianco = bianco;
    fNero = nero;
    fCavallo = cavallo;
    loaded = true;
}
}
