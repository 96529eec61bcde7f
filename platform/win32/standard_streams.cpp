#include "platform/standard_streams.h"

namespace platform {

// Windows hands out handles, not the lowest free number: a mapping or a file opened later
// never becomes a closed stream's handle, so there is nothing to hold.
void HoldStandardStreams() {}

}  // namespace platform
