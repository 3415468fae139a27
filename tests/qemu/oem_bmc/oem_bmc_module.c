/* A loadable module for OpenIPMI's ipmi_sim that answers the shared-memory
 * OEM requests of pelgrin, so that the channel can be driven against a BMC
 * emulator that is not ours. Every OEM request is appended to a log file, one
 * line each, which the tests count.
 *
 * loadlib "oem_bmc_module.so" "LOG-FILE SHARED-MEMORY-ADDRESS [ENTERPRISE-NUMBER
 *                                 [NETFN COMMAND HOW]...]"
 *
 * Like a real BMC it answers one enterprise number: the one given (decimal,
 * or hexadecimal with 0x), else the one the build was configured for.
 *
 * Each NETFN COMMAND HOW (hexadecimal; up to four) makes it answer that
 * request misshapen, as broken BMC firmware does. HOW "short": NetFn and
 * command only, no completion code. HOW a command number: completion code
 * 00 under that command's echo instead of the request's.
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <OpenIPMI/mcserv.h>
#include <OpenIPMI/serv.h>

#define COMMAND_DOORBELL 0x20
#define COMMAND_SMEM_ADDRESS 0x21
#define COMMAND_UPDATE_STATUS 0x3F
#define COMPLETION_INVALID_COMMAND 0xC1

#define MISSHAPEN_MAX 4
#define ANSWER_SHORT -1

static char logPath[512];
static uint32_t smemAddress;
// Per misshapen request: ANSWER_SHORT or the command whose echo it carries.
static int misshapenAnswer[MISSHAPEN_MAX];
static unsigned int misshapenCount;

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

static void answerMisshapen(lmc_data_t* mc, msg_t* msg, unsigned char* rdata,
                            unsigned int* rdata_len, void* cb_data) {
    (void)mc;
    int how = *(const int*)cb_data;
    if (how == ANSWER_SHORT) {
        *rdata_len = 0;
        return;
    }
    // The emulator builds the reply's header from the message after this.
    msg->cmd = (unsigned char)how;
    rdata[0] = 0;
    *rdata_len = 1;
}

// "NETFN COMMAND HOW" entries after the first three options; -1 on a
// malformed one.
static int registerMisshapen(const char* entries) {
    unsigned int netFn = 0;
    unsigned int command = 0;
    char how[16];
    int used = 0;
    while (sscanf(entries, "%x %x %15s%n", &netFn, &command, how, &used) == 3) {
        if (misshapenCount == MISSHAPEN_MAX || netFn > 0x3F || command > 0xFF)
            return -1;
        int* answer = &misshapenAnswer[misshapenCount++];
        *answer = ANSWER_SHORT;
        if (strcmp(how, "short") != 0) {
            char* end = NULL;
            unsigned long echo = strtoul(how, &end, 16);
            if (*end != '\0' || echo > 0xFF)
                return -1;
            *answer = (int)echo;
        }
        if (ipmi_emu_register_cmd_handler((unsigned char)netFn, (unsigned char)command,
                                          answerMisshapen, answer) != 0)
            return -1;
        entries += used;
    }
    return sscanf(entries, " %15s", how) == 1 ? -1 : 0;
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
    int used = 0;
    int given = options == NULL ? 0
                                : sscanf(options, "%511s %lx %li%n", logPath, &address,
                                         &enterpriseNumber, &used);
    if (given < 2 || enterpriseNumber < 0 || enterpriseNumber > 0xFFFFFF ||
        (used > 0 && registerMisshapen(options + used) != 0)) {
        fprintf(stderr,
                "oem_bmc_module: options must be \"LOG-FILE ADDRESS [ENTERPRISE-NUMBER "
                "[NETFN COMMAND short|ECHO]...]\", the number 0..0xFFFFFF\n");
        return -1;
    }
    smemAddress = (uint32_t)address;
    return ipmi_emu_register_iana_handler((uint32_t)enterpriseNumber, answerOemRequest, NULL);
}
