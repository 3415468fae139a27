// The README's status table and the statuses a run can end with are one list:
// a status added to the code without a row (or a row left for a status that
// is gone) fails here.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "pelgrin/run/exit_status.h"

namespace {

// How the UEFI shell's %lasterror% shows main's value: 1 is EFI_ABORTED,
// everything else is sign-extended and shown in its low 32 bits.
std::string shellDisplay(int status) {
    if (status == 1)
        return "0x15";
    char text[16];
    snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(status));
    return text;
}

std::set<std::string> documentedPelgrinStatuses() {
    std::ifstream readme(VELSKU_README);
    std::set<std::string> statuses;
    // "| 0x15 (EFI_ABORTED) | pelgrin | ..." or "| 0x0 | both | ..."
    std::regex row(R"(^\| (0x[0-9A-F]+)[^|]*\| (pelgrin|both) \|)");
    std::string line;
    while (std::getline(readme, line)) {
        std::smatch match;
        if (std::regex_search(line, match, row))
            statuses.insert(match[1]);
    }
    return statuses;
}

}  // namespace

TEST(ExitStatusTable, ReadmeListsExactlyTheStatusesOfARun) {
    std::set<std::string> fromCode;
#define COLLECT(name, value, meaning) fromCode.insert(shellDisplay(value));
    PELGRIN_RUN_STATUSES(COLLECT)
#undef COLLECT
    EXPECT_EQ(documentedPelgrinStatuses(), fromCode);
}
