// The two operations a channel can carry; both are called as the channel's
// `operation` with the control area selected and return the run's status.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include "pelgrin/channel/smem_channel.h"

// A file of at most SKU_IMAGE_MAX bytes in one piece, checked in the window
// before the doorbell: RUN_OK, or RUN_UPLOAD_NO_FILE, RUN_UPLOAD_TOO_LARGE,
// RUN_UPLOAD_UNREADABLE (cannot be opened, positioned or read whole),
// RUN_WINDOW_UNTRUSTED (the window does not hold it), RUN_DOORBELL_REFUSED,
// RUN_DOORBELL_TIMEOUT.
int32_t uploadFile(SmemChannel* channel, const char* fileName);

// The firmware update's own results; the production run never selects it.
enum UpdateResult : int32_t {
    UPDATE_DONE = 0,
    UPDATE_NO_FILE = 1,
    UPDATE_TOO_LARGE = 2,
    UPDATE_UNREADABLE = 3,
    UPDATE_NOT_STARTED = 4,
    UPDATE_NOT_COMPLETED = 5,
};

// A firmware image of at most 25 MB in 64 KB chunks, then start, progress,
// reset.
int32_t updateFirmware(SmemChannel* channel, const char* fileName);

// Clears the data area and reads up to 64 KB of `file`, from its current
// position, straight into it; leaves the control area selected. False, after
// an "Error!" line, when the window did not take a base or its data area
// cannot be reached.
bool readChunk(SmemChannel* channel, FILE* file);

// Counts 01 to 90 in place, one a second, while the BMC resets.
void waitForBmcReset();
