#include "display_plugin/display_state.h"

#include "status_block/shared_block_mapping.h"

namespace vistune {
namespace {

SharedBlockMapping blockMapping;
const StatusBlock emptyBlock = {};
const StatusBlock* block = &emptyBlock;
int blinkCounter = 0;

}  // namespace

// Another thread of the display host may be answering a field right now, through the
// view: replacing a mapping that is there would unmap the memory under it.
void ConnectDisplay(const char* blockName) {
    blinkCounter = 0;
    if (blockMapping.View()) return;
    blockMapping.Create(blockName);
    const StatusBlock* view = blockMapping.View();
    block = view ? view : &emptyBlock;
}

void DisconnectDisplay() {
    block = &emptyBlock;
    blockMapping.Close();
}

const StatusBlock& Block() { return *block; }

int& BlinkCounter() { return blinkCounter; }

}  // namespace vistune
