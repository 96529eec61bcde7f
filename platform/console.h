// The program's console.
#pragma once

namespace platform {

// True when standard output goes to a terminal rather than a file or a pipe.
bool StandardOutputIsTerminal();

}  // namespace platform
