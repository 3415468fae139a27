// The Linux backend ends a refused run itself, below the run's own list of
// statuses; the two must give the station the same number.
#include <gtest/gtest.h>

#include "pelgrin/run/exit_status.h"
#include "platform/linux/linux_platform.h"

TEST(LinuxRefusal, EndsWithTheRunsHardwareRefusedStatus) {
    EXPECT_EQ(LINUX_REFUSED_STATUS, RUN_HARDWARE_REFUSED);
    EXPECT_NE(LINUX_REFUSED_STATUS, RUN_DOORBELL_TIMEOUT);
}
