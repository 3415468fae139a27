// A message-level stand-in for the KCS transport: each request goes whole to
// sim::bmc(), so the channel's tests do not depend on the register-level
// exchange.
#pragma once

#include "platform/efi_status.h"

namespace channeltest {

// Anything but EFI_SUCCESS: every request fails with it, stores nothing and
// never reaches the BMC.
void setTransportFailure(EfiStatus status);

}  // namespace channeltest
