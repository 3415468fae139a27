// Requests through the kernel's IPMI driver when it owns the interface. Its
// device node is looked for once per run; when one is present the driver is
// polling the same KCS registers, so the ports are never touched.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <string.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include "platform/linux/ipmi_message.h"
#include "platform/linux/linux_platform.h"
#include "platform/platform.h"

namespace {

// Where udev, devtmpfs and older device managers put the first interface.
const char* const kDeviceNodes[] = {"/dev/ipmi0", "/dev/ipmi/0", "/dev/ipmidev/0"};

// Longer than the driver's own retries, so that a BMC that never answers
// comes back as the driver's error response rather than as our timeout.
constexpr int kResponseWaitMs = 6000;

struct Driver {
    bool probed;
    bool present;    // a device node exists: the driver owns the interface
    int descriptor;  // -1: not open
    long lastMessageId;
};

Driver driver = {false, false, -1, 0};

// A node that exists but cannot be opened still means the driver owns the
// interface: the ports stay untouched and every request fails.
void probeDriver() {
    if (driver.probed)
        return;
    driver.probed = true;
    for (const char* node : kDeviceNodes) {
        if (access(node, F_OK) != 0)
            continue;
        driver.present = true;
        driver.descriptor = open(node, O_RDWR);
        if (driver.descriptor < 0)
            linuxPrintRefusal(node, errno);
        return;
    }
}

int64_t monotonicMillis() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// EFI_SUCCESS once a message is ready to be received.
EfiStatus awaitMessage(int64_t deadline) {
    for (;;) {
        int64_t left = deadline - monotonicMillis();
        if (left <= 0)
            return EFI_TIMEOUT;
        struct pollfd ready = {driver.descriptor, POLLIN, 0};
        int polled = poll(&ready, 1, static_cast<int>(left));
        if (polled > 0)
            return EFI_SUCCESS;
        if (polled == 0)
            return EFI_TIMEOUT;
        if (errno != EINTR)
            return EFI_DEVICE_ERROR;
    }
}

// The response to message `id`; other messages (late answers to an earlier
// request that timed out) are passed over. The request's own deadline
// (CLOCK_MONOTONIC, as platformMicros) ends the wait when it comes first.
EfiStatus receiveResponse(long id, uint8_t lun, uint8_t* response, uint64_t* length,
                          uint64_t requestDeadlineUs) {
    const uint64_t capacity = *length;
    *length = 0;
    int64_t deadline = monotonicMillis() + kResponseWaitMs;
    const int64_t requestDeadlineMs = static_cast<int64_t>(requestDeadlineUs / 1000);
    if (requestDeadlineMs < deadline)
        deadline = requestDeadlineMs;
    for (;;) {
        EfiStatus status = awaitMessage(deadline);
        if (status != EFI_SUCCESS)
            return status;
        struct ipmi_addr address;
        uint8_t data[IPMI_MAX_MSG_LENGTH];
        struct ipmi_recv received;
        memset(&received, 0, sizeof received);
        received.addr = reinterpret_cast<unsigned char*>(&address);
        received.addr_len = sizeof address;
        received.msg.data = data;
        received.msg.data_len = sizeof data;
        bool truncated = false;
        if (ioctl(driver.descriptor, IPMICTL_RECEIVE_MSG_TRUNC, &received) != 0) {
            if (errno != EMSGSIZE)
                return EFI_DEVICE_ERROR;
            truncated = true;
        }
        if (received.recv_type != IPMI_RESPONSE_RECV_TYPE || received.msgid != id)
            continue;
        bool cutOff = false;
        *length = unpackDriverResponse(received, lun, response, capacity, &cutOff);
        return cutOff || truncated ? EFI_BUFFER_TOO_SMALL : EFI_SUCCESS;
    }
}

EfiStatus sendRequest(const uint8_t* request, uint64_t requestLength, uint8_t* response,
                      uint64_t* responseLength, uint64_t deadlineUs) {
    DriverRequest message;
    if (!packDriverRequest(request, requestLength, ++driver.lastMessageId, &message)) {
        *responseLength = 0;
        return EFI_INVALID_PARAMETER;
    }
    if (ioctl(driver.descriptor, IPMICTL_SEND_COMMAND, &message.request) != 0) {
        *responseLength = 0;
        return EFI_DEVICE_ERROR;
    }
    return receiveResponse(message.request.msgid, message.address.lun, response, responseLength,
                           deadlineUs);
}

}  // namespace

bool platformIpmiDriverRequest(const uint8_t* request, uint64_t requestLength, uint8_t* response,
                               uint64_t* responseLength, uint64_t deadlineUs, EfiStatus* status) {
    probeDriver();
    if (!driver.present)
        return false;
    if (driver.descriptor < 0) {
        *responseLength = 0;
        *status = EFI_ACCESS_DENIED;
        return true;
    }
    *status = sendRequest(request, requestLength, response, responseLength, deadlineUs);
    return true;
}

bool linuxOpenIpmiDriver(bool* present) {
    probeDriver();
    *present = driver.present;
    return !driver.present || driver.descriptor >= 0;
}
