// Helpers shared by the Linux backend's files; nothing outside platform/linux
// sees them.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Prints one "Error! WHAT: REASON" line for a call the operating system
// refused with `error` (errno); a permission error adds what the run needs
// (root, no kernel lockdown). The caller returns the refusal to the program,
// which ends the run with its own status and record.
void linuxPrintRefusal(const char* what, int error);

// The KCS port pair holding `port`, granted to this process; false after the
// refusal line.
bool linuxGrantPorts(uint16_t port);

// Opens the kernel IPMI driver's device node when there is one; false after
// the refusal line when it is there but cannot be opened. *present tells
// whether the driver owns the interface.
bool linuxOpenIpmiDriver(bool* present);

// The BMC window's mapping, from the function's own resourceN.
void linuxSetWindowMapping(uint64_t start, uint64_t size, volatile uint8_t* base);

// The PCI functions in bus order ("0000:00:1f.0"), listed once per run.
int linuxPciFunctionCount();
const char* linuxPciFunctionName(int index);

// Reads a file of a PCI function's sysfs directory into `text` (terminated);
// false when it cannot be read.
bool linuxReadPciFile(int index, const char* file, char* text, size_t size);

// sysfs directory of the PCI functions, one entry per function.
constexpr const char* LINUX_PCI_DEVICES = "/sys/bus/pci/devices";
