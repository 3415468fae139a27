#include "dorvax/dorvax.h"
#include "kcs/kcs.h"
#include "platform/platform.h"

KcsPolicy kcsPolicy = DORVAX_KCS_POLICY;

int programMain(int argc, char** argv) {
    return dorvaxMain(argc, argv);
}
