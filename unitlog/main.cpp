#include <iostream>

#include "unitlog/commands.h"

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    return unitlog::runCommand(words, std::cout, std::cerr);
}
