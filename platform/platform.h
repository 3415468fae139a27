// The one seam between the tools and whatever they run on.
//
// Console, files, memory allocation and string handling come through the C
// library names (printf, fopen, malloc, ...): on the host that is the system's
// C library, in the UEFI shell it is our own layer in platform/uefi. Everything
// else the tools take from firmware or hardware is declared here, and exactly
// one backend (sim, uefi) is linked into each program.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/efi_status.h"

struct tm;

// Entry point each program supplies; the backend's own entry (main, efi_main)
// prepares the platform and calls it with narrow argument words.
int programMain(int argc, char** argv);

// --- Time -------------------------------------------------------------------

// Busy pause, the firmware's Stall: every wait on the BMC goes through here.
void platformStall(uint64_t microseconds);

// Wall clock in seconds on the same scale as platformMktime, or -1 when the
// clock cannot be read.
int64_t platformTime();

// Microseconds since an arbitrary start, never going back: the clock every
// deadline of a wait on the BMC is measured by. It never runs slow: at the
// least it counts the pauses taken.
uint64_t platformMicros();

// Calendar fields (as the C library's struct tm) to seconds, on the scale of
// platformTime, with no time-zone adjustment; -1 when out of range.
int64_t platformMktime(struct tm* calendar);

// The wall clock read as UTC, for a record that other stations' records are
// compared with. zoneKnown: the clock said which zone it keeps, and `seconds`
// were converted to UTC; otherwise they are the clock's fields as they stand
// (a local time of a zone nobody told the firmware). seconds is -1 when the
// clock cannot be read.
struct PlatformUtcTime {
    int64_t seconds;
    bool zoneKnown;
};
PlatformUtcTime platformUtcTime();

// --- Files ------------------------------------------------------------------------

// Bytes an unprivileged writer can still add to the volume holding the
// existing file `path`; false when the volume cannot say.
bool platformVolumeFreeBytes(const char* path, uint64_t* freeBytes);

// --- x86 port I/O -----------------------------------------------------------

uint8_t platformPortRead8(uint16_t port);
void platformPortWrite8(uint16_t port, uint8_t value);

// --- Operating-system IPMI driver ---------------------------------------------

// When an operating-system driver owns the KCS interface, the request goes
// through it: two masters on one interface corrupt each other's transfers.
// False: no driver, the transport drives the ports itself. True: the driver
// carried the request; *status is its outcome and *responseLength the count
// of bytes stored in `response`, which has room for *responseLength bytes on
// entry (a response that does not fit is cut off with EFI_BUFFER_TOO_SMALL).
// No answer by `deadlineUs` (platformMicros' clock) is EFI_TIMEOUT.
bool platformIpmiDriverRequest(const uint8_t* request, uint64_t requestLength, uint8_t* response,
                               uint64_t* responseLength, uint64_t deadlineUs, EfiStatus* status);

// --- PCI ----------------------------------------------------------------------

typedef void* PlatformHandle;
struct PlatformPciIo;  // opaque: the firmware's PCI I/O protocol instance

enum PlatformPciWidth { PLATFORM_PCI_WIDTH_UINT8 = 0, PLATFORM_PCI_WIDTH_UINT32 = 2 };

// All handles carrying the PCI I/O protocol, in the firmware's order. The list
// is allocated by the platform and stays valid until the program ends.
EfiStatus platformLocatePciIoHandles(size_t* count, PlatformHandle** handles);

// The PCI I/O protocol on one handle (fetched, never closed).
EfiStatus platformOpenPciIo(PlatformHandle handle, PlatformPciIo** pciIo);

// Configuration-space read of `count` items of `width` starting at `offset`.
EfiStatus platformPciConfigRead(PlatformPciIo* pciIo, PlatformPciWidth width, uint32_t offset,
                                size_t count, void* buffer);

// Length in bytes of the region the base address register at configuration
// offset `barOffset` (0x10, 0x14, ... 0x24) decodes; 0 when it decodes none.
EfiStatus platformPciBarLength(PlatformPciIo* pciIo, uint32_t barOffset, uint64_t* length);

// Where a function sits: how a line finds it on the board (`pci` in the UEFI
// shell, lspci on Linux) when more than one could be the BMC's.
struct PlatformPciLocation {
    uint32_t segment;
    uint32_t bus;
    uint32_t device;
    uint32_t function;
};
EfiStatus platformPciLocation(PlatformPciIo* pciIo, PlatformPciLocation* location);

// Makes the region that the memory BAR at `barOffset` decodes, from `base`
// for `length` bytes, reachable through the physical-memory calls below.
// EFI_SUCCESS when it is; otherwise EFI_ACCESS_DENIED after one "Error!"
// line saying why (an operating system that lets no program reach it, or a
// driver that owns the function and may move it).
EfiStatus platformPciClaimWindow(PlatformPciIo* pciIo, uint32_t barOffset, uint64_t base,
                                 uint64_t length);

// --- Access to the BMC -----------------------------------------------------------

// Called once before a program's first request to the BMC. EFI_SUCCESS when
// the program may go on; otherwise EFI_ACCESS_DENIED after one "Error!" line
// (another program holds the BMC, a driver half-loaded, no permission).
EfiStatus platformClaimBmc(uint16_t kcsDataPort);

// --- Physical memory ------------------------------------------------------------
// Device memory behind a PCI window: each call is exactly one access of the
// stated width, never merged, split or cached.

uint8_t platformPhysRead8(uint64_t address);
uint32_t platformPhysRead32(uint64_t address);
void platformPhysWrite8(uint64_t address, uint8_t value);
void platformPhysWrite32(uint64_t address, uint32_t value);

// Bulk access for the data window.
void platformPhysZero(uint64_t address, size_t length);

// A CPU pointer through which plain loads and stores reach `length` bytes at
// `address` (identity mapping in firmware), so that a file read can land in
// device memory with no buffer in between. Null when the range is not mapped.
void* platformPhysPointer(uint64_t address, size_t length);

// --- Console tap ----------------------------------------------------------------

// Called with every piece of text the program prints on standard output, after
// it has gone out; null stops the calls. How a run keeps its last error line
// for the unit's record without any stage reporting it twice.
typedef void (*PlatformConsoleTap)(const char* text, size_t size);
void platformSetConsoleTap(PlatformConsoleTap tap);
