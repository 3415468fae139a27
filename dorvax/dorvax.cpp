#include <stdio.h>

int dorvaxMain(int, char**) {
    printf("Error! not available in this build\n");
    return -1;
}
