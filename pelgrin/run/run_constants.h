// What every layer of a production run agrees on: the tool's version, the
// largest SKU.BIN, and the names of the files in the current directory.
#pragma once

#include <stddef.h>
#include <stdint.h>

#define PELGRIN_VERSION "0.22"

// The image buffer, the packing limit and the upload limit are one number:
// an image the packer accepts must always fit the upload.
constexpr uint32_t SKU_IMAGE_MAX = 32768;

constexpr char SKU_FILE[] = "SKU.xml";
// A real description is a few KB; beyond this it is refused unread, so that
// no file can make the parse cost seconds or megabytes.
constexpr size_t SKU_FILE_MAX_BYTES = 1024 * 1024;
constexpr char MERGED_FILE[] = "mysku.xml";
constexpr char COMPRESSED_FILE[] = "mysku.xml.gz";
constexpr char IMAGE_FILE[] = "SKU.BIN";
// Names older tools wrote; a run only ever removes them.
constexpr char OLD_ZIP_FILE[] = "SKU.ZIP";
constexpr char OLD_XMZ_FILE[] = "mysku.xmz";
