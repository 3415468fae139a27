// A scratch working directory holding the example SKU.xml, and standard
// output parked on /dev/null while the tools print.
#pragma once

#include <string>

namespace bench {

class WorkDir {
  public:
    WorkDir();
    ~WorkDir();
    WorkDir(const WorkDir&) = delete;
    WorkDir& operator=(const WorkDir&) = delete;

  private:
    std::string path_;
    std::string previous_;
};

class QuietStdout {
  public:
    QuietStdout();
    ~QuietStdout();
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

  private:
    int saved_;
};

}  // namespace bench
