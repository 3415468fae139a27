// Program entry on Linux: the argument words are already narrow.
#include "platform/platform.h"

int main(int argc, char** argv) {
    return programMain(argc, argv);
}
