// Steps the two transfers share.
#pragma once

#include <stdio.h>

#include "pelgrin/channel/smem_channel.h"

// Clears the data area and reads up to 64 KB of `file`, from its current
// position, straight into it; leaves the control area selected.
void readChunk(SmemChannel* channel, FILE* file);

// Counts 01 to 90 in place, one a second, while the BMC resets.
void waitForBmcReset();
