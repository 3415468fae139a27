#include "pelgrin/frontend/bmc_claim.h"

#include "kcs/kcs.h"
#include "pelgrin/run/exit_status.h"
#include "platform/platform.h"

int claimBmcForRun() {
    return platformClaimBmc(kcsPolicy.dataPort) == EFI_SUCCESS ? RUN_OK : RUN_HARDWARE_REFUSED;
}
