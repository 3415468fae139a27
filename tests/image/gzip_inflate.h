// Inflates a whole gzip stream in memory; the tests check what the tools
// wrote against an independent decoder (zlib's inflate).
#pragma once

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace imageTest {

inline std::optional<std::string> inflateGzip(const std::vector<uint8_t>& stream) {
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK)
        return std::nullopt;
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    std::string out;
    int result = Z_OK;
    while (result == Z_OK) {
        char chunk[4096];
        z.next_out = reinterpret_cast<Bytef*>(chunk);
        z.avail_out = sizeof(chunk);
        result = inflate(&z, Z_NO_FLUSH);
        out.append(chunk, sizeof(chunk) - z.avail_out);
    }
    bool whole = result == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    if (!whole)
        return std::nullopt;
    return out;
}

}  // namespace imageTest
