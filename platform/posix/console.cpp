#include "platform/console.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

volatile sig_atomic_t resized = 0;
bool began = false;
bool cleared = false;

void OnResize(int) {
    resized = 1;
}

}  // namespace

bool StandardOutputIsTerminal() {
    return isatty(STDOUT_FILENO) == 1;
}

bool TerminalSize(int* columns, int* rows) {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0)
        return false;
    *columns = size.ws_col;
    *rows = size.ws_row;
    return true;
}

bool WriteStandardOutput(std::string_view utf8) {
    bool written = std::fwrite(utf8.data(), 1, utf8.size(), stdout) == utf8.size();
    return std::fflush(stdout) == 0 && written;
}

bool WriteStandardError(std::string_view utf8) {
    return std::fwrite(utf8.data(), 1, utf8.size(), stderr) == utf8.size();
}

// Terminals here speak UTF-8 and escape codes, except one that says it is dumb.
bool BeginTerminalScreen() {
    const char* term = std::getenv("TERM");
    if (!StandardOutputIsTerminal() || !term || std::strcmp(term, "dumb") == 0) return false;
    struct sigaction action {};
    action.sa_handler = OnResize;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &action, nullptr);
    began = true;
    cleared = false;
    return WriteStandardOutput("\x1b[?25l");
}

bool DrawTerminalScreen(const std::vector<std::string>& lines) {
    std::string screen = cleared ? "\x1b[H" : "\x1b[H\x1b[2J";
    cleared = true;
    for (std::size_t i = 0; i < lines.size(); ++i) screen += (i ? "\n" : "") + lines[i] + "\x1b[K";
    return WriteStandardOutput(screen + "\x1b[J");
}

void EndTerminalScreen() {
    if (began) WriteStandardOutput("\n\x1b[?25h");
    began = false;
}

// A resize may have wrapped or scrolled the last picture: the next draw starts clean.
bool TerminalWasResized() {
    bool was = resized != 0;
    resized = 0;
    if (was) cleared = false;
    return was;
}

}  // namespace platform
