/* A loadable module for OpenIPMI's ipmi_sim that answers the shared-memory
 * OEM requests of pelgrin, so that the channel can be driven against a BMC
 * emulator that is not ours. Every OEM request is appended to a log file, one
 * line each, which the tests count.
 *
 * loadlib "oem_bmc_module.so" "LOG-FILE SHARED-MEMORY-ADDRESS [ENTERPRISE-NUMBER]"
 *
 * Like a real BMC it answers one enterprise number: the one given (decimal,
 * or hexadecimal with 0x), else the one the build was configured for.
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <OpenIPMI/mcserv.h>
#include <OpenIPMI/serv.h>

#define COMMAND_DOORBELL 0x20
#define COMMAND_SMEM_ADDRESS 0x21
#define COMMAND_UPDATE_STATUS 0x3F
#define COMPLETION_INVALID_COMMAND 0xC1

static char logPath[512];
static uint32_t smemAddress;

static void logRequest(const msg_t* msg) {
    FILE* log = fopen(logPath, "a");
    if (log == NULL)
        return;
    fprintf(log, "%02x %02x", msg->netfn, msg->cmd);
    for (unsigned int i = 0; i < msg->len; ++i)
        fprintf(log, " %02x", msg->data[i]);
    fputc('\n', log);
    fclose(log);
}

static void answerOemRequest(lmc_data_t* mc, msg_t* msg, unsigned char* rdata,
                             unsigned int* rdata_len, void* cb_data) {
    (void)mc;
    (void)cb_data;
    logRequest(msg);
    rdata[0] = 0;
    *rdata_len = 1;
    switch (msg->cmd) {
        case COMMAND_SMEM_ADDRESS:
            for (int i = 0; i < 4; ++i)
                rdata[1 + i] = (unsigned char)(smemAddress >> (8 * i));
            *rdata_len = 5;
            break;
        case COMMAND_UPDATE_STATUS:
            rdata[1] = 0;
            *rdata_len = 2;
            break;
        case COMMAND_DOORBELL:
            break;
        default:
            rdata[0] = COMPLETION_INVALID_COMMAND;
            break;
    }
}

int ipmi_sim_module_print_version(sys_data_t* sys, char* options) {
    (void)sys;
    (void)options;
    printf("velsku OEM BMC module\n");
    return 0;
}

int ipmi_sim_module_init(sys_data_t* sys, const char* options) {
    (void)sys;
    unsigned long address = 0;
    long enterpriseNumber = VELSKU_OEM_ENTERPRISE_NUMBER;
    int given = options == NULL
                    ? 0
                    : sscanf(options, "%511s %lx %li", logPath, &address, &enterpriseNumber);
    if (given < 2 || enterpriseNumber < 0 || enterpriseNumber > 0xFFFFFF) {
        fprintf(stderr,
                "oem_bmc_module: options must be \"LOG-FILE ADDRESS [ENTERPRISE-NUMBER]\", "
                "the number 0..0xFFFFFF\n");
        return -1;
    }
    smemAddress = (uint32_t)address;
    return ipmi_emu_register_iana_handler((uint32_t)enterpriseNumber, answerOemRequest, NULL);
}
