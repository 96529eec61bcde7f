#include "platform/console.h"

#include <sys/ioctl.h>
#include <unistd.h>

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

}  // namespace platform
