#include "display_plugin/display_state.h"

#include <atomic>

#include "platform/worker_thread.h"
#include "status_block/shared_block_mapping.h"
#include "status_block/status_block_name.h"

namespace vistune {
namespace {

SharedBlockMapping blockMapping;
const StatusBlock emptyBlock = {};
const StatusBlock* block = &emptyBlock;
int blinkCounter = 0;
// Two of the host's threads may connect at once: both finding no view, each would map the
// block into the one mapping, losing the other's view and handle for good, and each would
// free the name the other reads (StatusBlockName keeps one buffer). Held while the mapping
// changes, for a few steps, so waiting for it is a yield.
std::atomic_flag changing = ATOMIC_FLAG_INIT;

struct MappingChange {
    MappingChange() {
        while (changing.test_and_set(std::memory_order_acquire)) platform::YieldToOtherThreads();
    }
    ~MappingChange() { changing.clear(std::memory_order_release); }
};

// Another thread of the display host may be answering a field right now, through the
// view: replacing a mapping that is there would unmap the memory under it.
void Connect(const char* givenName, bool named) {
    blinkCounter = 0;
    MappingChange change;
    if (blockMapping.View()) return;
    blockMapping.Create(named ? givenName : StatusBlockName());
    const StatusBlock* view = blockMapping.View();
    block = view ? view : &emptyBlock;
}

}  // namespace

void ConnectDisplay() { Connect(nullptr, false); }

void ConnectDisplay(const char* blockName) { Connect(blockName, true); }

void DisconnectDisplay() {
    MappingChange change;
    block = &emptyBlock;
    blockMapping.Close();
}

const StatusBlock& Block() { return *block; }

int& BlinkCounter() { return blinkCounter; }

}  // namespace vistune
