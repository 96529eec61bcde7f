#include "platform/console.h"

#include <io.h>
#include <stdio.h>
#include <windows.h>

namespace platform {

bool StandardOutputIsTerminal() {
    return _isatty(_fileno(stdout)) != 0;
}

bool TerminalSize(int* columns, int* rows) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return false;
    *columns = info.srWindow.Right - info.srWindow.Left + 1;
    *rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    return *columns > 0 && *rows > 0;
}

// The console shows the code page's characters and escape codes as text unless told
// otherwise; both switches must hold, or the dots and redraws arrive garbled.
bool EnableTerminalEscapes() {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(output, &mode)) return false;
    if (!SetConsoleOutputCP(CP_UTF8)) return false;
    return SetConsoleMode(output,
                          mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING | ENABLE_PROCESSED_OUTPUT) != 0;
}

}  // namespace platform
