#include <stdio.h>

#include "pelgrin/sku/process_sku.h"

int processSku(SkuContext*, uint8_t*) {
    printf("Error! not available in this build\n");
    return 1;
}
