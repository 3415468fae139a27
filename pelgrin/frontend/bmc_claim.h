// The run's hold on the BMC, taken before its first request to it.
#pragma once

// RUN_OK, or RUN_HARDWARE_REFUSED after the platform's "Error!" line:
// another program holds the BMC, or the system keeps it from this one.
int claimBmcForRun();
