// The two operations a channel can carry; both are called as the channel's
// `operation` with the control area selected and return the run's status.
#pragma once

#include <stdint.h>

#include "pelgrin/channel/smem_channel.h"

// A file of at most 32768 bytes in one piece. 0 done, -1 no such file,
// -2 too large, -3 cannot be opened or positioned, 1 doorbell timeout.
int32_t uploadFile(SmemChannel* channel, const char* fileName);

// A firmware image of at most 25 MB in 64 KB chunks, then start, progress,
// reset. 0 done, 1 no such file, 2 too large, 3 cannot be opened, 4 update
// not started, 5 update not completed.
int32_t updateFirmware(SmemChannel* channel, const char* fileName);
