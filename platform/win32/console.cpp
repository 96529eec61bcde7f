// A Windows console takes UTF-16 characters and places text by cell; it is never sent UTF-8
// or escape codes, which a console of another code page, or one without virtual-terminal
// processing (Wine's among them), shows as text.
#include "platform/console.h"

#include <errno.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include "platform/win32/wide_text.h"

namespace platform {
namespace {

bool began = false;
int drawnRows = 0;
COORD lastSize = {0, 0};

HANDLE Output() {
    return GetStdHandle(STD_OUTPUT_HANDLE);
}

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

bool WindowOf(HANDLE output, SMALL_RECT* window) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(output, &info)) return false;
    *window = info.srWindow;
    return true;
}

void ShowCursor(HANDLE output, bool visible) {
    CONSOLE_CURSOR_INFO cursor;
    if (!GetConsoleCursorInfo(output, &cursor)) return;
    cursor.bVisible = visible;
    SetConsoleCursorInfo(output, &cursor);
}

// Writes `text` at a cell without moving the cursor, so nothing wraps or scrolls.
bool WriteAt(HANDLE output, const std::wstring& text, SHORT x, SHORT y) {
    DWORD written = 0;
    return text.empty() ||
           WriteConsoleOutputCharacterW(output, text.data(), static_cast<DWORD>(text.size()),
                                        COORD{x, y}, &written) != 0;
}

// The C library's reason for a failed write, as the tools report it ("Broken pipe").
int ErrnoOf(DWORD code) {
    switch (code) {
        case ERROR_BROKEN_PIPE:
        case ERROR_NO_DATA:
        case ERROR_PIPE_NOT_CONNECTED:  // Wine's word for a reader that left
            return EPIPE;
        case ERROR_INVALID_HANDLE:
            return EBADF;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        default:
            return EIO;
    }
}

// A console gets UTF-16 characters, which it shows whatever its code page; a pipe or a file
// gets the UTF-8 bytes.
bool WriteText(HANDLE handle, std::string_view utf8) {
    DWORD written = 0;
    if (IsConsole(handle)) {
        std::wstring wide = Utf16(utf8);
        return wide.empty() ||
               WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    }
    while (!utf8.empty()) {
        if (!WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) ||
            written == 0) {
            errno = ErrnoOf(GetLastError());
            return false;
        }
        utf8.remove_prefix(written);
    }
    return true;
}

}  // namespace

bool StandardOutputIsTerminal() {
    return _isatty(_fileno(stdout)) != 0;
}

bool TerminalSize(int* columns, int* rows) {
    SMALL_RECT window;
    if (!WindowOf(Output(), &window)) return false;
    *columns = window.Right - window.Left + 1;
    *rows = window.Bottom - window.Top + 1;
    return *columns > 0 && *rows > 0;
}

bool WriteStandardOutput(std::string_view utf8) {
    return std::fflush(stdout) == 0 && WriteText(Output(), utf8);
}

bool WriteStandardError(std::string_view utf8) {
    return WriteText(GetStdHandle(STD_ERROR_HANDLE), utf8);
}

bool BeginTerminalScreen() {
    HANDLE output = Output();
    SMALL_RECT window;
    if (!IsConsole(output) || !WindowOf(output, &window)) return false;
    ShowCursor(output, false);
    began = true;
    drawnRows = window.Bottom - window.Top + 1;  // the first draw blanks the whole window
    return true;
}

bool DrawTerminalScreen(const std::vector<std::string>& lines) {
    HANDLE output = Output();
    SMALL_RECT window;
    if (!WindowOf(output, &window)) return false;
    int columns = window.Right - window.Left + 1;
    int rows = window.Bottom - window.Top + 1;
    int last =
        static_cast<int>(lines.size()) > drawnRows ? static_cast<int>(lines.size()) : drawnRows;
    bool ok = true;
    for (int row = 0; row < last && row < rows; ++row) {
        std::wstring text = row < static_cast<int>(lines.size()) ? Utf16(lines[row]) : L"";
        if (static_cast<int>(text.size()) < columns) text.append(columns - text.size(), L' ');
        ok = WriteAt(output, text, window.Left, static_cast<SHORT>(window.Top + row)) && ok;
    }
    drawnRows = static_cast<int>(lines.size());
    return ok;
}

void EndTerminalScreen() {
    if (!began) return;
    HANDLE output = Output();
    SMALL_RECT window;
    if (WindowOf(output, &window))
        SetConsoleCursorPosition(output,
                                 COORD{window.Left, static_cast<SHORT>(window.Top + drawnRows)});
    ShowCursor(output, true);
    began = false;
}

// The console gives no signal for a resize that is not read from its input, so it is polled.
bool TerminalWasResized() {
    SMALL_RECT window;
    if (!WindowOf(Output(), &window)) return false;
    COORD size{static_cast<SHORT>(window.Right - window.Left + 1),
               static_cast<SHORT>(window.Bottom - window.Top + 1)};
    bool changed = began && (size.X != lastSize.X || size.Y != lastSize.Y) && lastSize.X != 0;
    lastSize = size;
    if (changed) drawnRows = size.Y;
    return changed;
}

}  // namespace platform
