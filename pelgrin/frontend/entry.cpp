#include "kcs/kcs.h"
#include "pelgrin/frontend/pelgrin_main.h"
#include "platform/platform.h"

KcsPolicy kcsPolicy = PELGRIN_KCS_POLICY;

int programMain(int argc, char** argv) {
    return pelgrinMain(argc, argv);
}
