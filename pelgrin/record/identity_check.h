// No identity given twice: before a unit is programmed, the station's log is
// read for an earlier unit that passed with one of this unit's MACs or serial
// numbers. The same values again are the same unit, reworked; one of them
// again beside another that differs is a second board about to receive the
// first one's identity.
#pragma once

#include "pelgrin/record/logged_unit.h"
#include "pelgrin/run/sku_context.h"

enum IdentityVerdict {
    IDENTITY_NEW,       // no earlier passed unit holds any of the values
    IDENTITY_REWORK,    // an earlier passed unit holds them all alike
    IDENTITY_CONFLICT,  // an earlier passed unit is another unit
    IDENTITY_LOG_UNREADABLE,
};

struct IdentityConflict {
    IdentityKeyword held;     // this unit's keyword whose value the earlier unit holds
    IdentityKeyword differs;  // a keyword both give, with different values
    LoggedUnit earlier;
};

// The five identity values of the unit, null where not given.
void identityValues(const SkuContext& context, const char* values[ID_KEYWORD_COUNT]);

// Compares one earlier record with the unit's values (MACs as hexadecimal in
// any case, one MAC matching the other's MainMAC or ShareMAC alike).
IdentityVerdict compareWithLoggedUnit(const char* const values[ID_KEYWORD_COUNT],
                                      const LoggedUnit& earlier, IdentityConflict* conflict);

// Reads `logFile` (a missing file holds no unit) and stops at the first
// conflict. Lines that are no record (a cut line, another program's) are
// passed over.
IdentityVerdict checkIdentityAgainstLog(const char* logFile, const SkuContext& context,
                                        IdentityConflict* conflict);
