// A fresh, empty working directory for one test; the tools read and write
// their files in the current directory.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    std::string previous_;
};

std::vector<unsigned char> readFile(const std::string& name);
std::string readText(const std::string& name);
void writeFile(const std::string& name, const std::string& content);
bool fileExists(const std::string& name);

// Runs `body` with standard output captured and returns what it printed.
template <typename Body>
std::string captureStdout(Body body);

void beginCapture();
std::string endCapture();

template <typename Body>
std::string captureStdout(Body body) {
    beginCapture();
    body();
    return endCapture();
}

}  // namespace testsupport
