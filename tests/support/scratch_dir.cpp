#include "tests/support/scratch_dir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace testsupport {

ScratchDir::ScratchDir() {
    char pattern[] = "/tmp/velsku-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr)
        std::abort();
    path_ = made;
    previous_ = std::filesystem::current_path().string();
    std::filesystem::current_path(path_);
}

ScratchDir::~ScratchDir() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<unsigned char> readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string readText(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& name, const std::string& content) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << content;
}

bool fileExists(const std::string& name) {
    return std::filesystem::exists(name);
}

void beginCapture() {
    fflush(stdout);
    testing::internal::CaptureStdout();
}

std::string endCapture() {
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

}  // namespace testsupport
