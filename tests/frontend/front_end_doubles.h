// Stand-ins for the SKU processing and the shared-memory channel, so that the
// front end's run sequence can be driven and observed on its own.
#pragma once

#include <string>

#include "pelgrin/run/sku_context.h"

namespace doubles {

struct Script {
    int processStatus = 0;
    bool channelOpens = true;
    int operationStatus = 0;
    int verifyStatus = 0;
    int channelFailure = 7;  // openSmemChannel's status when it does not open
    int fruWriteStatus = 0;
};

struct Record {
    int processCalls = 0;
    SkuContext seen{};  // the context as processSku received it
    bool imageBufferZeroed = false;
    int channelOpens = 0;
    int channelKind = -1;
    std::string operationPath;
    int verifyCalls = 0;
    bool verifiedAfterUpload = false;
    int fruWrites = 0;
    bool verifiedAfterFruWrite = false;
};

void reset(const Script& script);
const Record& record();

}  // namespace doubles
