#include "dorvax/dorvax.h"
#include "kcs/kcs.h"
#include "platform/platform.h"

KcsPolicy kcsPolicy = DORVAX_KCS_POLICY;

namespace {

// As pelgrin's RUN_HARDWARE_REFUSED: the Linux build's status for a board it
// may not drive.
constexpr int DORVAX_BMC_IN_USE = 11;

}  // namespace

// The hold on the BMC is taken before the arguments are looked at: a second
// dorvax (or a pelgrin) on the same interface would interleave its bytes
// with ours.
int programMain(int argc, char** argv) {
    if (platformClaimBmc(kcsPolicy.dataPort) != EFI_SUCCESS)
        return DORVAX_BMC_IN_USE;
    return dorvaxMain(argc, argv);
}
