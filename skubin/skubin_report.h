// What skubin found: the report goes to one stream, and the first defect
// decides the exit status.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

enum SkubinStatus {
    SKUBIN_OK = 0,
    SKUBIN_USAGE = 1,         // bad arguments, unreadable file, extraction failed
    SKUBIN_NOT_AN_IMAGE = 2,  // no maker text at the start
    SKUBIN_TRUNCATED = 3,     // the file ends before the image does
    SKUBIN_BAD_HEADER = 4,    // header checksum, entry count, size field, reserved bytes
    SKUBIN_BAD_ENTRY = 5,     // directory entry: name, or data outside the image
    SKUBIN_BAD_ENTRY_CHECKSUM = 6,
    SKUBIN_BAD_FRU = 7,
    SKUBIN_BAD_GZIP = 8,
    SKUBIN_BAD_XML = 9,
    SKUBIN_TRAILING_BYTES = 10,  // bytes past the image size, as a stale append leaves
    // --against: the FRU file differs from the image's FRU, as pelgrin's VERIFY
    // reports a BMC that differs.
    SKUBIN_FRU_DIFFERS = 8,
};

const char* skubinStatusName(SkubinStatus status);

struct SkubinReport {
    std::ostream& out;
    SkubinStatus firstStatus = SKUBIN_OK;
    std::string firstReason;

    explicit SkubinReport(std::ostream& stream) : out(stream) {}
    // Notes a defect; only the first one sets the exit status and reason.
    void defect(SkubinStatus status, const std::string& reason);
};

// printf-style formatting into a std::string.
std::string skubinFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The parts of an image that the FRU and description reports read.
struct SkubinEntryData {
    bool usable = false;  // inside the image and the file
    const uint8_t* bytes = nullptr;
    size_t size = 0;
};

struct SkubinImage {
    std::vector<uint8_t> file;
    SkubinEntryData fru;
    SkubinEntryData description;
};

// Header and directory; returns false when nothing further can be read.
bool reportContainer(SkubinImage* image, SkubinReport* report);
void reportFru(const SkubinEntryData& fru, SkubinReport* report);
// Inflates the description into `xml` (empty when it cannot).
void reportDescription(const SkubinEntryData& description, std::string* xml, SkubinReport* report);

// Container, FRU and description in turn; false when the container could
// not be read at all.
bool reportImage(SkubinImage* image, std::string* xml, SkubinReport* report);

const char* smbiosChassisTypeName(uint8_t type);

// --against: the image's FRU compared with `held` (FRU device 0 as read from
// a BMC); SKUBIN_OK, SKUBIN_FRU_DIFFERS, or the container's first defect.
int compareFruAgainst(SkubinImage* image, const std::vector<uint8_t>& held, std::ostream& out,
                      std::ostream& err);

// The whole tool: arguments after the program name; returns the exit status.
int runSkubin(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
