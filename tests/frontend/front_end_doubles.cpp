#include "tests/frontend/front_end_doubles.h"

#include <cstdlib>
#include <cstring>

#include "kcs/kcs.h"
#include "pelgrin/channel/smem_channel.h"
#include "pelgrin/frontend/fru_verify.h"
#include "pelgrin/run/run_constants.h"
#include "pelgrin/sku/process_sku.h"

KcsPolicy kcsPolicy = PELGRIN_KCS_POLICY;
uint32_t smemBase = 0;
uint32_t smemDataBase = 0;

namespace doubles {
namespace {

Script script;
Record recorded;
SmemChannel channel;

int32_t recordOperation(SmemChannel*, const char* path) {
    recorded.operationPath = path;
    return script.operationStatus;
}

}  // namespace

void reset(const Script& next) {
    script = next;
    recorded = Record{};
}

const Record& record() {
    return recorded;
}

}  // namespace doubles

int processSku(SkuContext* context, uint8_t* imageBuffer) {
    using namespace doubles;
    recorded.processCalls++;
    recorded.seen = *context;
    recorded.imageBufferZeroed = true;
    for (uint32_t i = 0; i < SKU_IMAGE_MAX; ++i) {
        if (imageBuffer[i] != 0)
            recorded.imageBufferZeroed = false;
    }
    strcpy(context->randCode, "RC-7");
    strcpy(context->boardId, "BID-42");
    // main owns and releases the compressed description.
    context->skuGz = static_cast<uint8_t*>(malloc(16));
    context->skuGzSize = 16;
    return script.processStatus;
}

SmemChannel* openSmemChannel(uint8_t kind, int32_t* failure) {
    using namespace doubles;
    recorded.channelOpens++;
    recorded.channelKind = kind;
    if (!script.channelOpens) {
        *failure = script.channelFailure;
        return nullptr;
    }
    channel.operation = recordOperation;
    return &channel;
}

// The double's channel is static: nothing to release.
void closeSmemChannel(SmemChannel*) {}

int verifyBmcFru(const uint8_t*, size_t, VerifyAfter after) {
    using namespace doubles;
    recorded.verifyCalls++;
    recorded.verifiedAfterUpload = after == VERIFY_AFTER_UPLOAD;
    recorded.verifiedAfterFruWrite = after == VERIFY_AFTER_FRU_WRITE;
    return script.verifyStatus;
}

int sendFruOverKcs(const uint8_t*, size_t) {
    using namespace doubles;
    recorded.fruWrites++;
    return script.fruWriteStatus;
}
