// Timing helper for the Linux guest: many Get Device ID requests in one
// process (a plain polling loop, or dorvax's transport over the ports or the
// kernel driver), many whole processes, and a run without privileges.
//
//   kcs_batch transport N DELAY_MS | compare N |
//             spawn N PROGRAM ARGS... |
//             unprivileged PROGRAM ARGS... | window [beyond] | hold SECONDS
//
// compare: the plain loop and the transport with no pauses, in alternating
// blocks of N requests, each at its best block.
//
// window: the first display function (class 03/00/00, I/O and memory on)
// through the seam, its registers at 0x10 and 0x14 with the lengths they
// decode, a pattern written to and read back from the memory behind the
// first once it is claimed, and with "beyond" a read in the second's region,
// which was not claimed.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/io.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "kcs/kcs.h"
#include "platform/platform.h"

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

// Microseconds per request, or -1 when one fails; the last reply is printed.
double timePlain(long count, bool print) {
    uint8_t response[KCS_MAX_RESPONSE];
    int length = -1;
    double start = nowMicros();
    for (long i = 0; i < count; ++i) {
        if ((length = plainRequest(response)) < 0)
            return -1;
    }
    double each = (nowMicros() - start) / count;
    if (print)
        printReply("poll", response, length);
    return each;
}

double timeTransport(long count, bool print) {
    uint8_t response[KCS_MAX_RESPONSE];
    uint64_t length = 0;
    double start = nowMicros();
    for (long i = 0; i < count; ++i) {
        length = sizeof kGetDeviceId;
        if (kcsRequest(kGetDeviceId, response, &length) != EFI_SUCCESS)
            return -1;
    }
    double each = (nowMicros() - start) / count;
    if (print)
        printReply("transport", response, static_cast<int>(length));
    return each;
}

bool grantPorts() {
    if (ioperm(kData, 2, 1) == 0)
        return true;
    perror("ioperm");
    return false;
}

int transportLoop(long count, long delayMs) {
    kcsPolicy.pollIntervalUs = static_cast<uint32_t>(delayMs) * 1000;
    double each = timeTransport(count, true);
    if (each < 0)
        return 1;
    printf("transport %ld requests: %.1f us each\n", count, each);
    return 0;
}

int compareLoops(long count) {
    const int kBlocks = 10;
    kcsPolicy.pollIntervalUs = 0;
    double plain = 1e30, transport = 1e30;
    for (int block = 0; block < kBlocks && grantPorts(); ++block) {
        double plainEach = timePlain(count, block == 0);
        double transportEach = timeTransport(count, block == 0);
        if (plainEach < 0 || transportEach < 0)
            return 1;
        plain = plainEach < plain ? plainEach : plain;
        transport = transportEach < transport ? transportEach : transport;
    }
    printf("compare poll %ld requests: %.1f us each\n", count, plain);
    printf("compare transport %ld requests: %.1f us each\n", count, transport);
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

bool isDisplay(PlatformHandle handle, PlatformPciIo** pciIo) {
    uint8_t header[16];
    return platformOpenPciIo(handle, pciIo) == EFI_SUCCESS &&
           platformPciConfigRead(*pciIo, PLATFORM_PCI_WIDTH_UINT8, 0, 16, header) == EFI_SUCCESS &&
           (header[4] & 3) == 3 && header[0x0B] == 0x03 && header[0x0A] == 0 && header[9] == 0;
}

uint64_t memoryBar(PlatformPciIo* pciIo, uint32_t offset) {
    uint32_t bar = 0;
    platformPciConfigRead(pciIo, PLATFORM_PCI_WIDTH_UINT32, offset, 1, &bar);
    uint64_t length = 0;
    platformPciBarLength(pciIo, offset, &length);
    printf("bar 0x%X: 0x%x, 0x%llx bytes\n", offset, bar & ~0xFu,
           static_cast<unsigned long long>(length));
    return bar & ~0xFu;
}

void writeAndReadBack(uint64_t memory) {
    platformPhysWrite32(memory + 0x100, 0x5AA5C33C);
    platformPhysWrite8(memory + 0x104, 0x7E);
    volatile uint8_t* bytes = static_cast<volatile uint8_t*>(platformPhysPointer(memory, 0x10000));
    if (bytes != nullptr)
        bytes[0xFFFF] = 0x42;
    printf("read back: 0x%x 0x%x 0x%x\n", platformPhysRead32(memory + 0x100),
           platformPhysRead8(memory + 0x104), platformPhysRead8(memory + 0xFFFF));
}

int window(bool beyond) {
    size_t count = 0;
    PlatformHandle* handles = nullptr;
    if (platformLocatePciIoHandles(&count, &handles) != EFI_SUCCESS)
        return 1;
    for (size_t i = 0; i < count; ++i) {
        PlatformPciIo* pciIo = nullptr;
        if (!isDisplay(handles[i], &pciIo))
            continue;
        uint64_t memory = memoryBar(pciIo, 0x10);
        uint64_t registers = memoryBar(pciIo, 0x14);
        uint64_t length = 0;
        platformPciBarLength(pciIo, 0x10, &length);
        if (platformPciClaimWindow(pciIo, 0x10, memory, length) != EFI_SUCCESS)
            return 11;
        writeAndReadBack(memory);
        if (beyond)
            printf("beyond: 0x%x\n", platformPhysRead8(registers + 0xF000));
        return 0;
    }
    return 1;
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

// Takes the BMC as pelgrin and dorvax do and keeps it `seconds` long.
int holdBmc(int seconds) {
    if (platformClaimBmc(0xCA2) != EFI_SUCCESS)
        return 11;
    sleep(static_cast<unsigned>(seconds));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && strcmp(argv[1], "window") == 0)
        return window(argc == 3 && strcmp(argv[2], "beyond") == 0);
    if (argc >= 3 && strcmp(argv[1], "unprivileged") == 0)
        return unprivileged(argv + 2);
    if (argc == 3 && strcmp(argv[1], "hold") == 0)
        return holdBmc(atoi(argv[2]));
    long count = argc >= 3 ? atol(argv[2]) : 0;
    if (count <= 0) {
        fprintf(stderr, "usage: kcs_batch transport|compare|spawn N ...\n");
        return 2;
    }
    if (strcmp(argv[1], "transport") == 0 && argc == 4)
        return transportLoop(count, atol(argv[3]));
    if (strcmp(argv[1], "compare") == 0)
        return compareLoops(count);
    if (strcmp(argv[1], "spawn") == 0 && argc >= 4)
        return spawnLoop(count, argv + 3);
    fprintf(stderr, "kcs_batch: unknown mode\n");
    return 2;
}
