// Small helpers for driving the FRU builder from tests.
#pragma once

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "pelgrin/image/fru_builder.h"

namespace fruTest {

struct BuilderDeleter {
    void operator()(FruBuilder* builder) const { fruBuilderFree(builder); }
};
typedef std::unique_ptr<FruBuilder, BuilderDeleter> BuilderPtr;

inline BuilderPtr makeBuilder() {
    return BuilderPtr(fruBuilderCreate(2048));
}

inline int setText(FruBuilder* builder, int id, const std::string& text) {
    return fruBuilderSet(builder, id, text.data(), text.size());
}

inline std::vector<uint8_t> build(FruBuilder* builder) {
    const uint8_t* image = nullptr;
    uint64_t size = 0;
    if (fruBuilderBuild(builder, &image, &size) != 0)
        return {};
    return std::vector<uint8_t>(image, image + size);
}

inline uint8_t sum8(const std::vector<uint8_t>& bytes, size_t start, size_t count) {
    uint8_t sum = 0;
    for (size_t i = start; i < start + count; ++i)
        sum = static_cast<uint8_t>(sum + bytes.at(i));
    return sum;
}

}  // namespace fruTest
