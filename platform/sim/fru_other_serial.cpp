// Another unit's FRU as a BMC may end up holding it: the same image but for a
// board serial number of another length, which moves every area behind the
// board area. Only the simulated board's fru-other-serial fault uses it.
#include <numeric>

#include "platform/sim/fru_bmc.h"

namespace sim {

namespace {

constexpr size_t HEADER_SIZE = 8;
constexpr size_t HEADER_CHECKSUM = 7;
constexpr size_t BOARD_OFFSET_BYTE = 3;
constexpr size_t BOARD_FIELDS_START = 6;  // version, length, language, 3-byte date
constexpr size_t BOARD_SERIAL_FIELD = 2;  // after manufacturer and product name
constexpr uint8_t END_MARKER = 0xC1;
constexpr uint8_t TEXT_TYPE = 0xC0;
constexpr size_t FIELD_MAX = 63;
constexpr char LONGER_BY[] = "-OTHER-9";

uint8_t zeroSum(const Bytes& bytes, size_t from, size_t to) {
    return static_cast<uint8_t>(-std::accumulate(bytes.begin() + from, bytes.begin() + to, 0u));
}

std::string otherSerial(const std::string& serial) {
    if (serial.size() + sizeof LONGER_BY - 1 <= FIELD_MAX)
        return serial + LONGER_BY;
    return serial.substr(0, serial.size() / 2);
}

// The board area with the serial field's data replaced, padded and summed.
Bytes rebuiltBoardArea(const Bytes& area, size_t serialAt, size_t endMarker) {
    size_t length = area[serialAt] & 0x3F;
    std::string serial(area.begin() + serialAt + 1, area.begin() + serialAt + 1 + length);
    std::string other = otherSerial(serial);
    Bytes rebuilt(area.begin(), area.begin() + serialAt);
    rebuilt.push_back(static_cast<uint8_t>(TEXT_TYPE | other.size()));
    rebuilt.insert(rebuilt.end(), other.begin(), other.end());
    rebuilt.insert(rebuilt.end(), area.begin() + serialAt + 1 + length,
                   area.begin() + endMarker + 1);
    // A longer serial takes the area at least one unit further, whatever
    // free bytes the original had, so that the areas behind it move.
    bool longer = other.size() > serial.size();
    while ((rebuilt.size() + 1) % 8 != 0 || (longer && rebuilt.size() < area.size()))
        rebuilt.push_back(0);
    rebuilt[1] = static_cast<uint8_t>((rebuilt.size() + 1) / 8);
    rebuilt.push_back(zeroSum(rebuilt, 0, rebuilt.size()));
    return rebuilt;
}

// Offset of the serial's type/length byte and of the end marker, or false.
bool findSerial(const Bytes& area, size_t* serialAt, size_t* endMarker) {
    size_t at = BOARD_FIELDS_START;
    for (size_t field = 0; at < area.size() && area[at] != END_MARKER; ++field) {
        if (field == BOARD_SERIAL_FIELD)
            *serialAt = at;
        at += 1 + (area[at] & 0x3F);
    }
    *endMarker = at;
    return at < area.size() && *serialAt != 0 && (area[*serialAt] & TEXT_TYPE) == TEXT_TYPE &&
           (area[*serialAt] & 0x3F) > 0;
}

}  // namespace

Bytes withOtherBoardSerial(const Bytes& fru) {
    if (fru.size() < HEADER_SIZE)
        return fru;
    size_t start = fru[BOARD_OFFSET_BYTE] * size_t{8};
    if (start == 0 || start + 2 > fru.size() || start + fru[start + 1] * size_t{8} > fru.size())
        return fru;
    size_t end = start + fru[start + 1] * size_t{8};
    Bytes area(fru.begin() + start, fru.begin() + end);
    size_t serialAt = 0;
    size_t endMarker = 0;
    if (!findSerial(area, &serialAt, &endMarker))
        return fru;
    Bytes rebuilt = rebuiltBoardArea(area, serialAt, endMarker);
    Bytes image(fru.begin(), fru.begin() + start);
    image.insert(image.end(), rebuilt.begin(), rebuilt.end());
    image.insert(image.end(), fru.begin() + end, fru.end());
    // The areas behind the board area move with it.
    int units = static_cast<int>(rebuilt.size() / 8) - static_cast<int>(area.size() / 8);
    for (size_t byte = 1; byte < HEADER_CHECKSUM; ++byte)
        if (image[byte] * size_t{8} >= end)
            image[byte] = static_cast<uint8_t>(image[byte] + units);
    image[HEADER_CHECKSUM] = zeroSum(image, 0, HEADER_CHECKSUM);
    return image;
}

}  // namespace sim
