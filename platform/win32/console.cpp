#include "platform/console.h"

#include <io.h>
#include <stdio.h>

namespace platform {

bool StandardOutputIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

}  // namespace platform
