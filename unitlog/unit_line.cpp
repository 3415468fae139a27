#include "unitlog/unit_line.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

#include "pelgrin/record/sha256.h"
#include "unitlog/json_reader.h"

namespace unitlog {

namespace {

enum class Kind { String, Integer, Boolean, StringOrBoolean };

struct Field {
    Column column;
    const char* key;
    Kind kind;
};

// Top-level members. `sent` was a boolean and becomes "window", "fru" or
// false once a FRU can be written either way: both forms are kept as text.
const Field TOP_LEVEL[] = {
    {Column::TIME, "time", Kind::String},
    {Column::TIME_ZONE, "time_zone", Kind::String},
    {Column::TOOL, "tool", Kind::String},
    {Column::VERSION, "version", Kind::String},
    {Column::STATUS, "status", Kind::Integer},
    {Column::BOARD_ID, "Board ID", Kind::String},
    {Column::SENT, "sent", Kind::StringOrBoolean},
    {Column::VERIFICATION, "verification", Kind::String},
    {Column::ERROR, "error", Kind::String},
    {Column::REFUSED_SCANS, "refused_scans", Kind::Integer},
    {Column::REWORK, "rework", Kind::Boolean},
};

const Field VALUES[] = {
    {Column::MAIN_MAC, "MainMAC", Kind::String},
    {Column::SHARE_MAC, "ShareMAC", Kind::String},
    {Column::CSN, "CSN", Kind::String},
    {Column::CPN, "CPN", Kind::String},
    {Column::BSN, "BSN", Kind::String},
    {Column::BPN, "BPN", Kind::String},
    {Column::PSN, "PSN", Kind::String},
    {Column::PPN, "PPN", Kind::String},
    {Column::ASSET, "ASSET", Kind::String},
    {Column::PN, "PN", Kind::String},
    {Column::RU, "RU", Kind::String},
    {Column::NU, "NU", Kind::String},
    {Column::PB, "PB", Kind::String},
    {Column::PV, "PV", Kind::String},
    {Column::WS, "WS", Kind::String},
};

struct FileFields {
    const char* key;
    Column sha256;
    Column size;
};

const FileFields FILES[] = {
    {"SKU.xml", Column::SKU_XML_SHA256, Column::SKU_XML_SIZE},
    {"SKU.BIN", Column::SKU_BIN_SHA256, Column::SKU_BIN_SIZE},
};

// Members whose spelling is not settled: matched on their letters and digits
// alone, any case ("stick", "stick_id", "Stick ID", "SKUSHA256", ...).
struct LooseField {
    Column column;
    std::vector<std::string> squeezedKeys;
};

const LooseField LOOSE[] = {
    {Column::STICK_ID, {"stick", "stickid"}},
    {Column::SKU_SHA256, {"skusha256", "skudigest"}},
};

std::string squeezed(std::string_view key) {
    std::string letters;
    for (char c : key) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            letters.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    return letters;
}

std::optional<std::string> converted(const JsonValue& value, Kind kind) {
    bool stringWanted = kind == Kind::String || kind == Kind::StringOrBoolean;
    bool booleanWanted = kind == Kind::Boolean || kind == Kind::StringOrBoolean;
    if (value.type == JsonType::String && stringWanted)
        return value.text;
    if (value.type == JsonType::Boolean && booleanWanted)
        return std::string(value.boolean ? "true" : "false");
    if (kind == Kind::Integer) {
        if (auto number = value.integer())
            return std::to_string(*number);
    }
    return std::nullopt;
}

// Members nobody here reads, as `"name":<the line's own text>`.
class Leftovers {
  public:
    void add(std::string_view name, const JsonValue& value) {
        text_ += text_.empty() ? "{" : ",";
        text_ += "\"";
        for (char c : name) {
            if (c == '"' || c == '\\')
                text_ += '\\';
            if (static_cast<unsigned char>(c) < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
                text_ += escape;
                continue;
            }
            text_ += c;
        }
        text_ += "\":";
        text_ += value.source;
    }
    std::optional<std::string> object() const {
        if (text_.empty())
            return std::nullopt;
        return text_ + "}";
    }

  private:
    std::string text_;
};

template <typename Row>
const Row* rowFor(const Row* begin, const Row* end, std::string_view key) {
    const Row* row = std::find_if(begin, end, [&](const Row& r) { return key == r.key; });
    return row == end ? nullptr : row;
}

void takeValues(const JsonValue& values, Record* record, Leftovers* leftovers) {
    if (values.type != JsonType::Object) {
        leftovers->add("values", values);
        return;
    }
    for (const auto& [name, value] : values.members) {
        const Field* field = rowFor(std::begin(VALUES), std::end(VALUES), name);
        if (field != nullptr)
            (*record)[field->column] = converted(value, field->kind);
        else
            leftovers->add("values." + name, value);
    }
}

void takeFile(const FileFields& file, const JsonValue& value, Record* record) {
    if (value.type != JsonType::Object)
        return;
    if (const JsonValue* sha256 = value.member("sha256"))
        (*record)[file.sha256] = converted(*sha256, Kind::String);
    if (const JsonValue* size = value.member("size"))
        (*record)[file.size] = converted(*size, Kind::Integer);
}

bool takeLoose(std::string_view name, const JsonValue& value, Record* record) {
    std::string key = squeezed(name);
    for (const LooseField& loose : LOOSE) {
        const auto& keys = loose.squeezedKeys;
        if (std::find(keys.begin(), keys.end(), key) != keys.end()) {
            (*record)[loose.column] = converted(value, Kind::String);
            return true;
        }
    }
    return false;
}

void takeMember(std::string_view name, const JsonValue& value, Record* record,
                Leftovers* leftovers) {
    if (name == "values") {
        takeValues(value, record, leftovers);
    } else if (const Field* field = rowFor(std::begin(TOP_LEVEL), std::end(TOP_LEVEL), name)) {
        (*record)[field->column] = converted(value, field->kind);
    } else if (const FileFields* file = rowFor(std::begin(FILES), std::end(FILES), name)) {
        takeFile(*file, value, record);
    } else if (!takeLoose(name, value, record)) {
        leftovers->add(name, value);
    }
}

}  // namespace

std::string lineKey(std::string_view line) {
    Sha256 hash;
    sha256Begin(&hash);
    sha256Add(&hash, line.data(), line.size());
    uint8_t digest[SHA256_DIGEST_BYTES];
    sha256End(&hash, digest);
    char hex[SHA256_HEX_CHARS + 1];
    sha256Hex(digest, hex);
    return hex;
}

std::optional<Record> recordFromLine(std::string_view line, LineFault* fault) {
    JsonError error{0, ""};
    std::optional<JsonValue> parsed = parseJson(line, &error);
    if (!parsed) {
        *fault = {error.offset, error.reason};
        return std::nullopt;
    }
    if (parsed->type != JsonType::Object) {
        *fault = {0, "not a JSON object"};
        return std::nullopt;
    }
    Record record;
    Leftovers leftovers;
    for (const auto& [name, value] : parsed->members)
        takeMember(name, value, &record, &leftovers);
    record[Column::EXTRA] = leftovers.object();
    record[Column::LINE] = std::string(line);
    record[Column::LINE_SHA256] = lineKey(line);
    return record;
}

}  // namespace unitlog
