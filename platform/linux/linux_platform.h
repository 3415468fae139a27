// Helpers shared by the Linux backend's files; nothing outside platform/linux
// sees them.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Ends the program with one "Error! ..." line: used where a tool cannot go
// on without the hardware and must not pretend the BMC is silent.
[[noreturn]] void linuxFail(const char* message);

// The same for a call the operating system refused with `error` (errno);
// a permission error adds what the run needs (root, no kernel lockdown).
[[noreturn]] void linuxRefuse(const char* what, int error);

// The exit status of a run that ended in one of the two: its own, so that a
// line's script tells "run as root, without lockdown" from a BMC that did not
// answer (1). The run's list of statuses carries it as RUN_HARDWARE_REFUSED.
constexpr int LINUX_REFUSED_STATUS = 11;

// The PCI functions in bus order ("0000:00:1f.0"), listed once per run.
int linuxPciFunctionCount();
const char* linuxPciFunctionName(int index);

// Reads a file of a PCI function's sysfs directory into `text` (terminated);
// false when it cannot be read.
bool linuxReadPciFile(int index, const char* file, char* text, size_t size);

// sysfs directory of the PCI functions, one entry per function.
constexpr const char* LINUX_PCI_DEVICES = "/sys/bus/pci/devices";
