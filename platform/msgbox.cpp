// Messages to the user on POSIX: standard error, and the window's box when one is installed.
#include "platform/msgbox.h"

#include "platform/pipe.h"

bool (*MessageBoxHook)(const std::string& title, const std::string& text) = nullptr;

void ShowMessage(const std::string& title, const std::string& text) {
    PipeWriteAll(2, text + "\n");
    if (MessageBoxHook) MessageBoxHook(title, text);
}
