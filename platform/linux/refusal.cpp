#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "platform/linux/linux_platform.h"

void linuxFail(const char* message) {
    fflush(stdout);
    printf("Error! %s\n", message);
    fflush(stdout);
    exit(LINUX_REFUSED_STATUS);
}

void linuxRefuse(const char* what, int error) {
    char message[256];
    bool permission = error == EPERM || error == EACCES;
    snprintf(message, sizeof message, "%s: %s%s", what, strerror(error),
             permission ? " (needs root, and a kernel without lockdown)" : "");
    linuxFail(message);
}
