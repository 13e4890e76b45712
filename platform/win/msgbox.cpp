// Messages to the user on Windows: standard error and a message box.
#include "platform/msgbox.h"

#include <windows.h>

#include "platform/pipe.h"
#include "platform/text.h"

bool (*MessageBoxHook)(const std::string& title, const std::string& text) = nullptr;

void ShowMessage(const std::string& title, const std::string& text) {
    // Standard error first: a chess interface or a batch file sees the text
    // even where no box can appear (no desktop, a service account).
    const std::string shown = ToSystemText(text);
    PipeWriteAll(2, shown + "\n");
    if (MessageBoxHook && MessageBoxHook(title, text)) return;
    MessageBoxA(nullptr, shown.c_str(), ToSystemText(title).c_str(), MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
}
