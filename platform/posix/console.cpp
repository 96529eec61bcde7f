#include "platform/console.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

namespace platform {

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

// Terminals here speak UTF-8 and escape codes already.
bool EnableTerminalEscapes() {
    return StandardOutputIsTerminal();
}

bool WriteStandardOutput(std::string_view utf8) {
    bool written = std::fwrite(utf8.data(), 1, utf8.size(), stdout) == utf8.size();
    return std::fflush(stdout) == 0 && written;
}

}  // namespace platform
