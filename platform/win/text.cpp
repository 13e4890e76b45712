// The engine's single-byte texts converted for the Windows calls.
#include "platform/text.h"

#include <windows.h>

#include <vector>

std::string ToSystemText(const std::string& text) {
    bool ascii = true;
    for (unsigned char c : text)
        if (c >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii || text.size() > 0x7fffffff || GetACP() == CP_UTF8) return text;
    const int n = static_cast<int>(text.size());
    int wide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), n, nullptr, 0);
    if (wide <= 0) return text;  // not UTF-8: already in the code page
    std::vector<wchar_t> w(static_cast<size_t>(wide));
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), n, w.data(), wide);
    BOOL lossy = FALSE;
    int bytes = WideCharToMultiByte(CP_ACP, 0, w.data(), wide, nullptr, 0, nullptr, &lossy);
    if (bytes <= 0 || lossy) return text;
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.data(), wide, out.data(), bytes, nullptr, nullptr);
    return out;
}
