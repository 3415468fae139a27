// The PCI vendor IDs of the board's BMC display function, as the build was
// configured (CMake cache variable VELSKU_BMC_PCI_VENDORS, reaching the code
// as the compile definition of the same name: each ID followed by a comma).
#pragma once

#include <stdint.h>

#ifndef VELSKU_BMC_PCI_VENDORS
#error "VELSKU_BMC_PCI_VENDORS comes from the build (cmake/OemEnterpriseNumber.cmake)"
#endif

// Past any 16-bit vendor ID: ends the list.
constexpr uint32_t BMC_PCI_VENDOR_END = 0x10000;

// Empty apart from the end: any vendor.
constexpr uint32_t BMC_PCI_VENDORS[] = {VELSKU_BMC_PCI_VENDORS BMC_PCI_VENDOR_END};
