// The SKU.BIN header and its directory of three entries.
#include <cstring>

#include "pelgrin/image/sku_image.h"
#include "pelgrin/image/sku_layout.h"
#include "skubin/skubin_report.h"

namespace {

const char* const ENTRY_NAMES[SKU_ENTRY_COUNT] = {SKU_MAC_ENTRY_NAME, SKU_FRU_ENTRY_NAME,
                                                  SKU_DESCRIPTION_ENTRY_NAME};
const size_t CHECKSUMMED_HEADER_BYTES = 14;

struct EntryRecord {
    int number;  // 1-3
    std::string name;
    bool nameMatches;
    uint32_t offset;
    uint32_t size;
    uint16_t checksum;
};

std::string printableName(const uint8_t* bytes, size_t size) {
    std::string name;
    for (size_t i = 0; i < size && bytes[i] != 0; ++i) {
        if (bytes[i] >= 0x20 && bytes[i] <= 0x7E)
            name += static_cast<char>(bytes[i]);
        else
            name += skubinFormat("\\x%02X", bytes[i]);
    }
    return name;
}

EntryRecord readEntry(const std::vector<uint8_t>& file, int index) {
    const uint8_t* at = file.data() + SKU_DIRECTORY_OFFSET + index * SKU_ENTRY_SIZE;
    uint8_t expected[SKU_ENTRY_NAME_SIZE] = {};
    memcpy(expected, ENTRY_NAMES[index], strlen(ENTRY_NAMES[index]));
    EntryRecord entry;
    entry.number = index + 1;
    entry.name = printableName(at, SKU_ENTRY_NAME_SIZE);
    entry.nameMatches = memcmp(at, expected, SKU_ENTRY_NAME_SIZE) == 0;
    entry.offset = skuGet24(at + SKU_ENTRY_DATA_OFFSET);
    entry.size = skuGet24(at + SKU_ENTRY_DATA_SIZE);
    entry.checksum = skuGet16(at + SKU_ENTRY_CHECKSUM);
    return entry;
}

// Where the entry's data lies; false (with a defect) when not in the image.
bool checkPlacement(const EntryRecord& entry, uint32_t imageSize, SkubinReport* report) {
    if (entry.size == 0)
        return true;
    uint64_t end = uint64_t(entry.offset) + entry.size;
    if (entry.offset < SKU_HEADER_SIZE || end > imageSize) {
        report->defect(
            SKUBIN_BAD_ENTRY,
            skubinFormat("entry %d data 0x%06X-0x%06llX lies outside the image data "
                         "0x000100-0x%06X",
                         entry.number, entry.offset, (unsigned long long)end, imageSize));
        return false;
    }
    if (entry.offset % SKU_BLOCK_SIZE != 0)
        report->defect(SKUBIN_BAD_ENTRY,
                       skubinFormat("entry %d data offset 0x%06X is not on a 64-byte boundary",
                                    entry.number, entry.offset));
    return true;
}

void checkSum(const EntryRecord& entry, const std::vector<uint8_t>& file, SkubinReport* report) {
    if (uint64_t(entry.offset) + entry.size > file.size()) {
        report->out << skubinFormat("    checksum not checked: the file ends at 0x%06zX\n",
                                    file.size());
        return;
    }
    uint16_t sum = entry.size == 0 ? 0 : byteSum16(file.data() + entry.offset, entry.size);
    bool ok = sum == entry.checksum;
    report->out << skubinFormat("    checksum 0x%04X %s", entry.checksum, ok ? "OK" : "BAD");
    report->out << (ok ? "\n" : skubinFormat(" (data sums to 0x%04X)\n", sum));
    if (!ok)
        report->defect(SKUBIN_BAD_ENTRY_CHECKSUM,
                       skubinFormat("entry %d (%s) checksum 0x%04X, data sums to 0x%04X",
                                    entry.number, entry.name.c_str(), entry.checksum, sum));
}

SkubinEntryData reportEntry(const std::vector<uint8_t>& file, int index, uint32_t imageSize,
                            SkubinReport* report) {
    EntryRecord entry = readEntry(file, index);
    report->out << skubinFormat("  entry %d: \"%s\"\n    offset 0x%06X  size 0x%06X (%u bytes)\n",
                                entry.number, entry.name.c_str(), entry.offset, entry.size,
                                entry.size);
    if (!entry.nameMatches)
        report->defect(SKUBIN_BAD_ENTRY,
                       skubinFormat("entry %d is named \"%s\", not \"%s\"", entry.number,
                                    entry.name.c_str(), ENTRY_NAMES[index]));
    bool placed = checkPlacement(entry, imageSize, report);
    if (placed)
        checkSum(entry, file, report);
    SkubinEntryData data;
    data.usable = placed && entry.size > 0 && uint64_t(entry.offset) + entry.size <= file.size();
    if (data.usable) {
        data.bytes = file.data() + entry.offset;
        data.size = entry.size;
    }
    return data;
}

void checkReservedBytes(const std::vector<uint8_t>& file, SkubinReport* report) {
    const size_t ranges[][2] = {{0x00C, 0x00E}, {0x010, SKU_DIRECTORY_OFFSET}};
    for (const auto& range : ranges) {
        for (size_t i = range[0]; i < range[1]; ++i) {
            if (file[i] != 0) {
                report->defect(
                    SKUBIN_BAD_HEADER,
                    skubinFormat("reserved header byte 0x%03zX is 0x%02X, not 0", i, file[i]));
                return;
            }
        }
    }
}

void checkImageSize(uint32_t imageSize, SkubinReport* report) {
    if (imageSize % SKU_BLOCK_SIZE != 0 || imageSize < SKU_HEADER_SIZE || imageSize > SKU_IMAGE_MAX)
        report->defect(SKUBIN_BAD_HEADER,
                       skubinFormat("image size 0x%06X is not a multiple of 64 between 256 and "
                                    "32768",
                                    imageSize));
}

void checkHeaderChecksum(const std::vector<uint8_t>& file, SkubinReport* report) {
    uint16_t stored = skuGet16(&file[SKU_CHECKSUM_OFFSET]);
    uint16_t sum = byteSum16(file.data(), CHECKSUMMED_HEADER_BYTES);
    report->out << skubinFormat("  header checksum 0x%04X %s\n", stored,
                                stored == sum ? "OK" : "BAD");
    if (stored != sum)
        report->defect(
            SKUBIN_BAD_HEADER,
            skubinFormat("header checksum 0x%04X, header bytes sum to 0x%04X", stored, sum));
}

void checkFileLength(size_t fileSize, uint32_t imageSize, SkubinReport* report) {
    if (fileSize < imageSize)
        report->defect(SKUBIN_TRUNCATED,
                       skubinFormat("the file ends at 0x%06zX (%zu bytes); the header's image "
                                    "size is 0x%06X",
                                    fileSize, fileSize, imageSize));
    else if (fileSize > imageSize)
        // pelgrin never writes past the image: the file was appended to, or
        // written over a longer one, and is not what the board was sent.
        report->defect(SKUBIN_TRAILING_BYTES,
                       skubinFormat("%zu bytes follow the image size 0x%06X that the header "
                                    "states (an older image appended behind it?)",
                                    fileSize - imageSize, imageSize));
}

void checkOverlap(const SkubinEntryData& fru, const SkubinEntryData& description,
                  SkubinReport* report) {
    if (!fru.usable || !description.usable)
        return;
    if (fru.bytes < description.bytes + description.size &&
        description.bytes < fru.bytes + fru.size)
        report->defect(SKUBIN_BAD_ENTRY, "the FRU and description data overlap");
}

bool checkMaker(const std::vector<uint8_t>& file, SkubinReport* report) {
    if (file.size() >= SKU_MAKER_LENGTH && memcmp(file.data(), SKU_MAKER, SKU_MAKER_LENGTH) == 0)
        return true;
    report->defect(SKUBIN_NOT_AN_IMAGE, "the file does not begin with the maker text KORVALEN");
    return false;
}

}  // namespace

bool reportContainer(SkubinImage* image, SkubinReport* report) {
    const std::vector<uint8_t>& file = image->file;
    report->out << "Header\n";
    if (!checkMaker(file, report))
        return false;
    report->out << "  maker KORVALEN\n";
    if (file.size() < SKU_HEADER_SIZE) {
        report->defect(
            SKUBIN_TRUNCATED,
            skubinFormat("the file ends at 0x%06zX, inside the 256-byte header", file.size()));
        return false;
    }
    uint32_t imageSize = skuGet24(&file[SKU_SIZE_OFFSET]);
    report->out << skubinFormat("  entry count %u\n  image size 0x%06X (%u bytes)\n",
                                file[SKU_COUNT_OFFSET], imageSize, imageSize);
    if (file[SKU_COUNT_OFFSET] != SKU_ENTRY_COUNT)
        report->defect(SKUBIN_BAD_HEADER,
                       skubinFormat("entry count %u, not 3", file[SKU_COUNT_OFFSET]));
    checkImageSize(imageSize, report);
    checkHeaderChecksum(file, report);
    checkReservedBytes(file, report);
    checkFileLength(file.size(), imageSize, report);
    report->out << "Directory\n";
    reportEntry(file, 0, imageSize, report);
    image->fru = reportEntry(file, 1, imageSize, report);
    image->description = reportEntry(file, 2, imageSize, report);
    checkOverlap(image->fru, image->description, report);
    return true;
}
