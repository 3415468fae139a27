// Timing helper for the Linux guest: many Get Device ID requests in one
// process (a plain polling loop, or dorvax's transport over the ports or the
// kernel driver), many whole processes, and a run without privileges.
//
//   kcs_batch poll N | transport N DELAY_MS | spawn N PROGRAM ARGS... |
//             unprivileged PROGRAM ARGS...
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/io.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "kcs/kcs.h"

KcsPolicy kcsPolicy = DORVAX_KCS_POLICY;

namespace {

const uint8_t kGetDeviceId[] = {0x18, 0x01};
const uint16_t kData = 0xCA2, kStatus = 0xCA3;
const long kSpinLimit = 1000000;

double nowMicros() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e6 + now.tv_nsec / 1e3;
}

bool spinUntil(uint8_t mask, uint8_t want) {
    for (long i = 0; i < kSpinLimit; ++i) {
        if ((inb(kStatus) & mask) == want)
            return true;
    }
    return false;
}

bool writeAndSettle(uint16_t port, uint8_t value) {
    outb(value, port);
    if (!spinUntil(0x02, 0))
        return false;
    inb(kData);  // clears OBF, as the write flow asks
    return true;
}

// The shortest correct KCS exchange: no pauses, no retries, no recovery.
int plainRequest(uint8_t* response) {
    if (!spinUntil(0x02, 0) || !writeAndSettle(kStatus, 0x61) ||
        !writeAndSettle(kData, kGetDeviceId[0]) || !writeAndSettle(kStatus, 0x62))
        return -1;
    outb(kGetDeviceId[1], kData);
    for (int count = 0; count < KCS_MAX_RESPONSE; ++count) {
        if (!spinUntil(0x02, 0))
            return -1;
        uint8_t state = inb(kStatus) >> 6;
        if (!spinUntil(0x01, 0x01))
            return -1;
        uint8_t byte = inb(kData);
        if (state != 1)
            return state == 0 ? count : -1;
        response[count] = byte;
        outb(0x68, kData);
    }
    return -1;
}

void printReply(const char* mode, const uint8_t* response, int length) {
    printf("%s reply:", mode);
    for (int i = 0; i < length; ++i)
        printf(" %02X", response[i]);
    printf("\n");
}

int pollLoop(long count) {
    if (ioperm(kData, 2, 1) != 0) {
        perror("ioperm");
        return 1;
    }
    uint8_t response[KCS_MAX_RESPONSE];
    int length = -1;
    double start = nowMicros();
    for (long i = 0; i < count; ++i) {
        if ((length = plainRequest(response)) < 0)
            return 1;
    }
    double each = (nowMicros() - start) / count;
    printReply("poll", response, length);
    printf("poll %ld requests: %.1f us each\n", count, each);
    return 0;
}

int transportLoop(long count, long delayMs) {
    kcsPolicy.pollIntervalUs = static_cast<uint32_t>(delayMs) * 1000;
    uint8_t response[KCS_MAX_RESPONSE];
    uint64_t length = 0;
    double start = nowMicros();
    for (long i = 0; i < count; ++i) {
        length = sizeof kGetDeviceId;
        if (kcsRequest(kGetDeviceId, response, &length) != EFI_SUCCESS)
            return 1;
    }
    double each = (nowMicros() - start) / count;
    printReply("transport", response, static_cast<int>(length));
    printf("transport %ld requests: %.1f us each\n", count, each);
    return 0;
}

bool runOnce(char** program) {
    pid_t child = fork();
    if (child == 0) {
        freopen("/dev/null", "w", stdout);
        execv(program[0], program);
        _exit(127);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

int byValue(const void* a, const void* b) {
    double x = *static_cast<const double*>(a), y = *static_cast<const double*>(b);
    return (x > y) - (x < y);
}

// The median process: a busy host stretches some runs of an emulated guest.
int spawnLoop(long count, char** program) {
    double* times = static_cast<double*>(calloc(count, sizeof(double)));
    for (long i = 0; i < count; ++i) {
        double start = nowMicros();
        if (times == nullptr || !runOnce(program)) {
            fprintf(stderr, "%s failed\n", program[0]);
            return 1;
        }
        times[i] = nowMicros() - start;
    }
    qsort(times, count, sizeof(double), byValue);
    printf("spawn %ld processes: %.1f us each\n", count, times[count / 2]);
    free(times);
    return 0;
}

int unprivileged(char** program) {
    const uid_t nobody = 65534;
    if (setgid(nobody) != 0 || setuid(nobody) != 0) {
        perror("setuid");
        return 1;
    }
    execv(program[0], program);
    perror("execv");
    return 127;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && strcmp(argv[1], "unprivileged") == 0)
        return unprivileged(argv + 2);
    long count = argc >= 3 ? atol(argv[2]) : 0;
    if (count <= 0) {
        fprintf(stderr, "usage: kcs_batch poll|transport|spawn N ...\n");
        return 2;
    }
    if (strcmp(argv[1], "poll") == 0)
        return pollLoop(count);
    if (strcmp(argv[1], "transport") == 0 && argc == 4)
        return transportLoop(count, atol(argv[3]));
    if (strcmp(argv[1], "spawn") == 0 && argc >= 4)
        return spawnLoop(count, argv + 3);
    fprintf(stderr, "kcs_batch: unknown mode\n");
    return 2;
}
