// Where things lie in the BMC's window and in its shared memory. Offsets of
// the window registers count from the window's PCI base; record offsets count
// from the control area (smemBase), which is what the window shows while the
// records are touched.
#pragma once

#include <stdint.h>

constexpr uint32_t SMEM_WINDOW_SIZE = 0x10000;
constexpr uint32_t SMEM_DATA_AREA_OFFSET = 0xC0000;

constexpr uint64_t WINDOW_ENABLE_REGISTER = 0xF000;
constexpr uint64_t WINDOW_BASE_REGISTER = 0xF004;
constexpr uint64_t WINDOW_DATA_OFFSET = 0x10000;
// Bytes of the BAR the window reaches into: registers, then the data window.
constexpr uint64_t WINDOW_SPAN = WINDOW_DATA_OFFSET + SMEM_WINDOW_SIZE;

// Update record (firmware update).
constexpr uint64_t UPDATE_COMMAND_WORD = 0x700;
constexpr uint64_t UPDATE_IMAGE_SIZE = 0x70C;
constexpr uint64_t UPDATE_FILE_NAME = 0x710;
constexpr uint32_t UPDATE_FILE_NAME_SIZE = 16;
constexpr uint64_t UPDATE_MARKER = 0x720;
constexpr uint64_t UPDATE_CHUNK_OFFSET = 0x724;
constexpr uint64_t UPDATE_CHUNK_SIZE = 0x728;
constexpr uint64_t UPDATE_ACTION = 0x72C;

constexpr uint32_t UPDATE_MARKER_VALUE = 0x78787878;  // "xxxx"

constexpr uint32_t UPDATE_ACTION_CHUNK = 1;
constexpr uint32_t UPDATE_ACTION_START = 2;
constexpr uint32_t UPDATE_ACTION_PROGRESS = 3;
constexpr uint32_t UPDATE_ACTION_RESET = 5;

// Upload record (file upload).
constexpr uint64_t UPLOAD_COMMAND_WORD = 0x2200;
constexpr uint64_t UPLOAD_FILE_SIZE = 0x220C;
constexpr uint64_t UPLOAD_RESERVED = 0x2210;
constexpr uint64_t UPLOAD_FILE_SIZE_AGAIN = 0x2214;
