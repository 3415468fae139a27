#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "platform/linux/linux_platform.h"

void linuxPrintRefusal(const char* what, int error) {
    bool permission = error == EPERM || error == EACCES;
    fflush(stdout);
    printf("Error! %s: %s%s\n", what, strerror(error),
           permission ? " (needs root, and a kernel without lockdown)" : "");
    fflush(stdout);
}
