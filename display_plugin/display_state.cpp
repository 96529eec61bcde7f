#include "display_plugin/display_state.h"

#include "status_block/shared_block_mapping.h"

namespace vistune {
namespace {

SharedBlockMapping blockMapping;
const StatusBlock emptyBlock = {};
const StatusBlock* block = &emptyBlock;
int blinkCounter = 0;

}  // namespace

void ConnectDisplay(const char* blockName) {
    blockMapping.Create(blockName);
    const StatusBlock* view = blockMapping.View();
    block = view ? view : &emptyBlock;
    blinkCounter = 0;
}

const StatusBlock& Block() { return *block; }

int& BlinkCounter() { return blinkCounter; }

}  // namespace vistune
