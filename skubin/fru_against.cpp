// skubin SKU.BIN --against FILE: is FILE (FRU device 0 as read from a BMC)
// the FRU image in SKU.BIN? The comparison and its lines are pelgrin's VERIFY.
#include <sstream>

#include "pelgrin/image/fru_compare.h"
#include "skubin/skubin_report.h"

namespace {

void printDifference(void* context, const char* line) {
    *static_cast<std::ostream*>(context) << "Verify: " << line << "\n";
}

}  // namespace

int compareFruAgainst(SkubinImage* image, const std::vector<uint8_t>& held, std::ostream& out,
                      std::ostream& err) {
    // The container must hold a FRU image to compare; its report is not
    // wanted here, only its first defect.
    std::ostringstream quiet;
    SkubinReport report(quiet);
    if (!reportContainer(image, &report) || !image->fru.usable) {
        SkubinStatus status =
            report.firstStatus == SKUBIN_OK ? SKUBIN_BAD_ENTRY : report.firstStatus;
        err << "skubin: " << (report.firstReason.empty() ? "no FRU image" : report.firstReason)
            << "\n";
        return status;
    }
    FruComparison comparison = {image->fru.bytes,       image->fru.size, held.data(), held.size(),
                                FRU_COMPARE_EVERY_BYTE, printDifference, &out};
    if (fruCompare(comparison) != FRU_SAME)
        return SKUBIN_FRU_DIFFERS;
    out << "Verify: the BMC's FRU matches SKU.BIN (" << image->fru.size << " bytes)\n";
    return SKUBIN_OK;
}
