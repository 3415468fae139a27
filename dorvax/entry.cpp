#include "kcs/kcs.h"
#include "platform/platform.h"

int dorvaxMain(int argc, char** argv);

KcsPolicy kcsPolicy = DORVAX_KCS_POLICY;

int programMain(int argc, char** argv) {
    return dorvaxMain(argc, argv);
}
