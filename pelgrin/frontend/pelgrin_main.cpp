#include "pelgrin/frontend/pelgrin_main.h"

int pelgrinMain(int, char**) {
    return 6;
}
