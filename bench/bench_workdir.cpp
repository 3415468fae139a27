#include "bench/bench_workdir.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace bench {

WorkDir::WorkDir() {
    char pattern[] = "/tmp/velsku-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        std::abort();
    path_ = pattern;
    previous_ = std::filesystem::current_path().string();
    std::filesystem::copy_file(VELSKU_EXAMPLES_DIR "/SKU.xml", path_ + "/SKU.xml");
    std::filesystem::current_path(path_);
}

WorkDir::~WorkDir() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

QuietStdout::QuietStdout() {
    fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
}

QuietStdout::~QuietStdout() {
    fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
}

}  // namespace bench
