// SIM_FAULTS texts as rehearsals write them: every accepted list sets exactly
// its fields, every refused one names the entry.
#include <gtest/gtest.h>

#include <string>

#include "platform/sim/sim_faults.h"

namespace {

struct Accepted {
    const char* text;
    bool (*holds)(const sim::SimFaults&);
};

const Accepted ACCEPTED[] = {
    {"", [](const sim::SimFaults& f) { return !f.bar64 && !f.smemAddress && !f.fruArea; }},
    {"bar64", [](const sim::SimFaults& f) { return f.bar64 && !f.twoDisplays; }},
    {"bar64,two-displays", [](const sim::SimFaults& f) { return f.bar64 && f.twoDisplays; }},
    {"smem-address=0x9E001234",
     [](const sim::SimFaults& f) { return f.smemAddress == 0x9E001234u; }},
    {"smem-address=0", [](const sim::SimFaults& f) { return f.smemAddress == 0u; }},
    {"smem-cc=0xC1", [](const sim::SimFaults& f) { return f.smemCompletionCode == 0xC1; }},
    {"doorbell-cc=0xFF", [](const sim::SimFaults& f) { return f.doorbellCompletionCode == 0xFF; }},
    {"bmc-late=20,bmc-busy=7",
     [](const sim::SimFaults& f) { return f.bmcLateSeconds == 20u && f.bmcBusySeconds == 7u; }},
    {"fru-area=512,fru-words,fru-short-write",
     [](const sim::SimFaults& f) { return f.fruArea == 512u && f.fruWords && f.fruShortWrite; }},
    {"fru-write-protect=0x40,fru-max-write=16,fru-busy=3",
     [](const sim::SimFaults& f) {
         return f.fruWriteProtect == 0x40u && f.fruMaxWrite == 16u && f.fruBusy == 3u;
     }},
    {"reply-short,,reply-echo,",
     [](const sim::SimFaults& f) { return f.replyShort && f.replyEcho; }},
    {"window-unclaimed,window-stuck-base,fru-other-serial",
     [](const sim::SimFaults& f) {
         return f.windowUnclaimed && f.windowStuckBase && f.fruOtherSerial;
     }},
};

TEST(SimFaults, AcceptedListsSetTheirFields) {
    for (const Accepted& row : ACCEPTED) {
        sim::SimFaults faults;
        std::string error;
        ASSERT_TRUE(sim::parseSimFaults(row.text, &faults, &error)) << row.text << ": " << error;
        EXPECT_TRUE(row.holds(faults)) << row.text;
    }
}

struct Refused {
    const char* text;
    const char* error;
};

const Refused REFUSED[] = {
    {"bar65", "unknown fault \"bar65\""},
    {"bar64,Bar64", "unknown fault \"Bar64\""},
    {"bar64=1", "fault \"bar64\" takes no value"},
    {"smem-address", "fault \"smem-address\" needs a value from 0 to 4294967295"},
    {"smem-address=", "fault \"smem-address\" needs a value from 0 to 4294967295"},
    {"smem-address=0x100000000", "fault \"smem-address\" needs a value from 0 to 4294967295"},
    {"smem-cc=0x100", "fault \"smem-cc\" needs a value from 0 to 255"},
    {"bmc-late=-1", "fault \"bmc-late\" needs a value from 0 to 4294967295"},
    {"bmc-late=20s", "fault \"bmc-late\" needs a value from 0 to 4294967295"},
    {"fru-area=0x10000", "fault \"fru-area\" needs a value from 0 to 65535"},
};

TEST(SimFaults, RefusedListsNameTheEntryAndLeaveTheFaultsAlone) {
    for (const Refused& row : REFUSED) {
        sim::SimFaults faults;
        faults.fruWords = true;
        std::string error;
        EXPECT_FALSE(sim::parseSimFaults(row.text, &faults, &error)) << row.text;
        EXPECT_EQ(error, row.error) << row.text;
        EXPECT_TRUE(faults.fruWords && !faults.bar64) << row.text;
    }
}

}  // namespace
