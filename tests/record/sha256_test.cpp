// Our SHA-256 against the published vectors, fed whole and in uneven pieces
// (every block boundary case of the padding), and against sha256sum on files.
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "pelgrin/record/file_digest.h"
#include "pelgrin/record/sha256.h"
#include "tests/support/scratch_dir.h"

namespace {

std::string hexOf(const std::string& message, size_t piece) {
    Sha256 hash;
    sha256Begin(&hash);
    for (size_t offset = 0; offset < message.size(); offset += piece)
        sha256Add(&hash, message.data() + offset, std::min(piece, message.size() - offset));
    uint8_t digest[SHA256_DIGEST_BYTES];
    sha256End(&hash, digest);
    char hex[SHA256_HEX_CHARS + 1];
    sha256Hex(digest, hex);
    return hex;
}

std::string sha256sumOf(const std::string& name) {
    std::string command = "sha256sum " + name;
    FILE* pipe = popen(command.c_str(), "r");
    char line[128] = {};
    if (pipe == nullptr || fgets(line, sizeof line, pipe) == nullptr)
        return "sha256sum did not run";
    pclose(pipe);
    return std::string(line).substr(0, SHA256_HEX_CHARS);
}

std::string patternBytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + size) & 0xFF);
    return bytes;
}

}  // namespace

TEST(Sha256, PublishedVectorsWholeAndInPieces) {
    struct Vector {
        std::string message;
        const char* digest;
    };
    const Vector vectors[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Vector& vector : vectors) {
        for (size_t piece : {size_t{1}, size_t{63}, size_t{64}, size_t{1000}, size_t{1} << 20}) {
            SCOPED_TRACE(vector.message.substr(0, 8) + " in pieces of " + std::to_string(piece));
            EXPECT_EQ(hexOf(vector.message, piece), vector.digest);
        }
    }
}

TEST(Sha256, FilesMatchSha256sumAtEveryPaddingBoundary) {
    testsupport::ScratchDir scratch;
    for (size_t size : {0, 1, 55, 56, 57, 63, 64, 65, 119, 120, 1023, 1024, 1025, 32768, 100001}) {
        SCOPED_TRACE(size);
        testsupport::writeFile("unit.bin", patternBytes(size));
        FileDigest digest;
        digestFile("unit.bin", &digest);
        ASSERT_TRUE(digest.readable);
        EXPECT_EQ(digest.size, size);
        EXPECT_EQ(digest.hex, sha256sumOf("unit.bin"));
    }
    FileDigest missing;
    digestFile("absent.bin", &missing);
    EXPECT_FALSE(missing.readable);
}
