// The statuses of the SKU processing that this subsystem decides itself.
#pragma once

#define SKU_NO_FILE (-2)         // SKU.xml cannot be opened
#define SKU_BAD_DESCRIPTION 2    // SKU.xml unusable, or a given value has no element
#define SKU_BAD_GIVEN_VALUE 3    // a command-line value cannot go into the FRU image or mysku.xml
#define SKU_NEEDS_NEWER_TOOL 5   // SKU.xml requires a newer pelgrin
#define SKU_OUT_OF_MEMORY (-12)  // also: mysku.xml cannot be created or written

#define DESCRIPTION_FILE "SKU.xml"
