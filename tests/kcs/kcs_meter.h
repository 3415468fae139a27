// Port accesses and pauses that one stretch of transport code costs on the
// simulated board, and a board with the default KCS BMC for each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "kcs/kcs.h"
#include "platform/sim/kcs_bmc.h"

struct KcsCost {
    uint64_t dataReads, dataWrites, statusReads, commandWrites, stalls, micros;
};

inline KcsCost kcsCostNow() {
    return {sim::portReads(0x0CA2),  sim::portWrites(0x0CA2), sim::portReads(0x0CA3),
            sim::portWrites(0x0CA3), sim::stallCount(),       sim::nowMicros()};
}

class KcsMeter {
  public:
    KcsMeter() : start_(kcsCostNow()) {}
    KcsCost cost() const {
        KcsCost now = kcsCostNow();
        return {now.dataReads - start_.dataReads,     now.dataWrites - start_.dataWrites,
                now.statusReads - start_.statusReads, now.commandWrites - start_.commandWrites,
                now.stalls - start_.stalls,           now.micros - start_.micros};
    }
    uint64_t accesses() const {
        KcsCost c = cost();
        return c.dataReads + c.dataWrites + c.statusReads + c.commandWrites;
    }

  private:
    KcsCost start_;
};

class KcsBoard : public ::testing::Test {
  protected:
    void SetUp() override {
        sim::resetBoard();
        sim::installDefaultKcsBmc();
        kcsPolicy = PELGRIN_KCS_POLICY;
    }
    void usePolicy(const KcsPolicy& policy) { kcsPolicy = policy; }
    sim::KcsBmc& device() { return sim::kcsBmc(); }
    // A response of `size` bytes: header 1C 01 00, then 0x03, 0x04, ...
    static void answerWith(size_t size) {
        sim::bmc().registerHandler(0x06, 0x01, [size](const sim::Bytes&) {
            sim::Bytes response(size);
            for (size_t i = 0; i < size; ++i)
                response[i] = static_cast<uint8_t>(i);
            if (size >= 3) {
                response[0] = 0x1C;
                response[1] = 0x01;
                response[2] = 0x00;
            }
            return response;
        });
    }
    EfiStatus getDeviceId(uint8_t* response, uint64_t* length) {
        static const uint8_t request[] = {0x18, 0x01};
        *length = sizeof request;
        return kcsRequest(request, response, length);
    }
};
