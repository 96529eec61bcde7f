// A state the TV host could have written: a live Polish service with its programme guide,
// a recording under way.
#pragma once

#include "status_block/status_block.h"

void FillSampleState(StatusBlock& block);
