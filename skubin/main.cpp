#include <iostream>
#include <string>
#include <vector>

#include "skubin/skubin_report.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return runSkubin(arguments, std::cout, std::cerr);
}
