// Linked into every test program: before anything opens a block, the program names one of
// its own, which the hosts it starts inherit, so tests never write into (or depend on) the
// block a user's running hosts read.
#include "platform/environment.h"
#include "status_block/status_block_name.h"
#include "tests/support/test_names.h"

namespace {

const bool ownBlockNamed = platform::WriteEnvironment(kStatusBlockNameVariable, UniqueBlockName().c_str());

}  // namespace
