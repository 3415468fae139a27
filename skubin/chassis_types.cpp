#include "skubin/skubin_report.h"

// SMBIOS chassis types, which the IPMI FRU chassis area uses as its type byte.
const char* smbiosChassisTypeName(uint8_t type) {
    static const char* const names[] = {
        "Other",
        "Unknown",
        "Desktop",
        "Low Profile Desktop",
        "Pizza Box",
        "Mini Tower",
        "Tower",
        "Portable",
        "Laptop",
        "Notebook",
        "Hand Held",
        "Docking Station",
        "All in One",
        "Sub Notebook",
        "Space-saving",
        "Lunch Box",
        "Main Server Chassis",
        "Expansion Chassis",
        "SubChassis",
        "Bus Expansion Chassis",
        "Peripheral Chassis",
        "RAID Chassis",
        "Rack Mount Chassis",
        "Sealed-case PC",
        "Multi-system chassis",
        "Compact PCI",
        "Advanced TCA",
        "Blade",
        "Blade Enclosure",
        "Tablet",
        "Convertible",
        "Detachable",
        "IoT Gateway",
        "Embedded PC",
        "Mini PC",
        "Stick PC",
    };
    const size_t count = sizeof(names) / sizeof(names[0]);
    if (type == 0 || type > count)
        return "not an SMBIOS chassis type";
    return names[type - 1];
}
