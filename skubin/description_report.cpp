// The description entry: the gzip stream inflated, then the values a line
// lead looks for, read from the XML.
#include <expat.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "skubin/skubin_report.h"

namespace {

// A description is a few kilobytes; anything near this is a bomb.
const size_t INFLATE_LIMIT = 64u << 20;
const size_t GZIP_HEADER_SIZE = 10;

struct LabelledPath {
    const char* label;
    const char* path;
};

const LabelledPath FIXED_VALUES[] = {
    {"Board ID", "/VELSKU/BoardInfo/Main/ID"},
    {"Rand Code", "/VELSKU/RandCode"},
    {"Main MAC Address", "/VELSKU/BoardInfo/Main/NIC/Interface1/MacAddr0"},
    {"Share MAC Address", "/VELSKU/BoardInfo/Main/NIC/Interface2/MacAddr0"},
    {"Write Selection", "/VELSKU/Requirement/WriteSelection"},
};
const char FRU_PATH[] = "/VELSKU/FRU/";

struct XmlValue {
    std::string path;
    std::string text;
};

struct XmlWalk {
    std::vector<std::string> names;
    std::vector<std::string> texts;
    std::vector<XmlValue> values;  // first element of each wanted path with text
};

bool endsWith(const std::string& text, const char* tail) {
    size_t length = strlen(tail);
    return text.size() >= length && text.compare(text.size() - length, length, tail) == 0;
}

bool isWanted(const std::string& path) {
    for (const LabelledPath& fixed : FIXED_VALUES)
        if (path == fixed.path)
            return true;
    if (path.compare(0, strlen(FRU_PATH), FRU_PATH) != 0)
        return false;
    std::string name = path.substr(strlen(FRU_PATH));
    return name.find('/') == std::string::npos &&
           (endsWith(name, "SerialNumber") || endsWith(name, "PartNumber"));
}

std::string trimmed(const std::string& text) {
    const char* blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string currentPath(const XmlWalk& walk) {
    std::string path;
    for (const std::string& name : walk.names)
        path += "/" + name;
    return path;
}

void keepValue(XmlWalk* walk, const std::string& path, const std::string& text) {
    for (XmlValue& value : walk->values) {
        if (value.path == path) {
            if (value.text.empty())
                value.text = text;
            return;
        }
    }
    walk->values.push_back({path, text});
}

void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char**) {
    XmlWalk* walk = static_cast<XmlWalk*>(data);
    walk->names.push_back(name);
    walk->texts.emplace_back();
}

void XMLCALL onText(void* data, const XML_Char* text, int length) {
    XmlWalk* walk = static_cast<XmlWalk*>(data);
    if (!walk->texts.empty())
        walk->texts.back().append(text, static_cast<size_t>(length));
}

void XMLCALL onEnd(void* data, const XML_Char*) {
    XmlWalk* walk = static_cast<XmlWalk*>(data);
    std::string path = currentPath(*walk);
    if (isWanted(path))
        keepValue(walk, path, trimmed(walk->texts.back()));
    walk->names.pop_back();
    walk->texts.pop_back();
}

bool parseXml(const std::string& xml, XmlWalk* walk, std::string* reason) {
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (parser == nullptr) {
        *reason = "no XML parser";
        return false;
    }
    XML_SetUserData(parser, walk);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
    bool parsed = XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_OK;
    if (!parsed)
        *reason = skubinFormat("description XML: %s at line %lu",
                               XML_ErrorString(XML_GetErrorCode(parser)),
                               static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)));
    XML_ParserFree(parser);
    return parsed;
}

// Control characters from a damaged description must not reach the terminal.
std::string printable(const std::string& text) {
    std::string shown;
    for (unsigned char c : text)
        shown += c < 0x20 || c == 0x7F ? skubinFormat("\\x%02X", c) : std::string(1, char(c));
    return shown;
}

std::string shownValue(const XmlWalk& walk, const std::string& path) {
    for (const XmlValue& value : walk.values)
        if (value.path == path)
            return value.text.empty() ? "(empty)" : printable(value.text);
    return "(absent)";
}

void printValues(const XmlWalk& walk, std::ostream& out) {
    for (const LabelledPath& fixed : FIXED_VALUES)
        out << skubinFormat("  %-24s: %s\n", fixed.label, shownValue(walk, fixed.path).c_str());
    for (const XmlValue& value : walk.values)
        if (value.path.compare(0, strlen(FRU_PATH), FRU_PATH) == 0)
            out << skubinFormat("  %-24s: %s\n", value.path.substr(strlen(FRU_PATH)).c_str(),
                                shownValue(walk, value.path).c_str());
}

// Whole stream or a reason; CRC-32 and length are checked by inflate.
bool inflateStream(const SkubinEntryData& gz, std::string* xml, std::string* reason) {
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) {
        *reason = "no inflater";
        return false;
    }
    z.next_in = const_cast<Bytef*>(gz.bytes);
    z.avail_in = static_cast<uInt>(gz.size);
    int result = Z_OK;
    while (result == Z_OK && xml->size() <= INFLATE_LIMIT) {
        char chunk[16384];
        z.next_out = reinterpret_cast<Bytef*>(chunk);
        z.avail_out = sizeof(chunk);
        result = inflate(&z, Z_NO_FLUSH);
        xml->append(chunk, sizeof(chunk) - z.avail_out);
    }
    size_t consumed = gz.size - z.avail_in;
    if (result == Z_STREAM_END && z.avail_in != 0)
        *reason = skubinFormat("%u bytes follow the end of the gzip stream", z.avail_in);
    else if (result == Z_OK)
        *reason = "the description inflates to more than 64 MiB";
    else if (result == Z_BUF_ERROR)
        *reason = skubinFormat("the gzip stream is cut short: its data ends at byte %zu", consumed);
    else if (result != Z_STREAM_END)
        *reason = skubinFormat("gzip data error near byte %zu: %s", consumed,
                               z.msg != nullptr ? z.msg : "unknown");
    inflateEnd(&z);
    return reason->empty();
}

void printGzipHeader(const SkubinEntryData& gz, std::ostream& out) {
    if (gz.size < GZIP_HEADER_SIZE || gz.bytes[0] != 0x1F || gz.bytes[1] != 0x8B)
        return;
    uint32_t mtime =
        gz.bytes[4] | (gz.bytes[5] << 8) | (gz.bytes[6] << 16) | (uint32_t(gz.bytes[7]) << 24);
    out << skubinFormat("  gzip header: method %u, flags 0x%02X, mtime %u, OS %u\n", gz.bytes[2],
                        gz.bytes[3], mtime, gz.bytes[9]);
}

}  // namespace

void reportDescription(const SkubinEntryData& description, std::string* xml, SkubinReport* report) {
    std::ostream& out = report->out;
    out << skubinFormat("Description (%zu bytes compressed)\n", description.size);
    xml->clear();
    if (!description.usable) {
        report->defect(SKUBIN_BAD_GZIP, "no description data to inflate");
        return;
    }
    printGzipHeader(description, out);
    std::string reason;
    if (!inflateStream(description, xml, &reason)) {
        xml->clear();
        report->defect(SKUBIN_BAD_GZIP, reason);
        return;
    }
    out << skubinFormat("  inflated %zu bytes, CRC-32 and length OK\n", xml->size());
    XmlWalk walk;
    if (!parseXml(*xml, &walk, &reason)) {
        report->defect(SKUBIN_BAD_XML, reason);
        return;
    }
    printValues(walk, out);
}
