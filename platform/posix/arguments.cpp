#include "platform/arguments.h"

namespace platform {

// The words arrive as the terminal typed them: UTF-8 here.
void UseUtf8Arguments(int*, char***) {}

}  // namespace platform
