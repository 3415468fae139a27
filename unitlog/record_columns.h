// The database's one table, a row per record line: the line itself under the
// SHA-256 of its bytes, where it was first read, and the fields a line lead
// or a MES asks for, each in a column of its own. Both back ends, the CSV
// output and the duplicate check take their columns from this list.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

namespace unitlog {

enum class ColumnType { Text, Integer };

// name, SQL type; the order is the table's and the CSV's.
#define UNITLOG_COLUMNS(X)                     \
    X(LINE_SHA256, "line_sha256", Text)        \
    X(SOURCE_FILE, "source_file", Text)        \
    X(SOURCE_LINE, "source_line", Integer)     \
    X(TIME, "time", Text)                      \
    X(TIME_ZONE, "time_zone", Text)            \
    X(TOOL, "tool", Text)                      \
    X(VERSION, "version", Text)                \
    X(STATUS, "status", Integer)               \
    X(MAIN_MAC, "main_mac", Text)              \
    X(SHARE_MAC, "share_mac", Text)            \
    X(CSN, "csn", Text)                        \
    X(CPN, "cpn", Text)                        \
    X(BSN, "bsn", Text)                        \
    X(BPN, "bpn", Text)                        \
    X(PSN, "psn", Text)                        \
    X(PPN, "ppn", Text)                        \
    X(ASSET, "asset", Text)                    \
    X(PN, "pn", Text)                          \
    X(RU, "ru", Text)                          \
    X(NU, "nu", Text)                          \
    X(PB, "pb", Text)                          \
    X(PV, "pv", Text)                          \
    X(WS, "ws", Text)                          \
    X(BOARD_ID, "board_id", Text)              \
    X(SKU_XML_SHA256, "sku_xml_sha256", Text)  \
    X(SKU_XML_SIZE, "sku_xml_size", Integer)   \
    X(SKU_BIN_SHA256, "sku_bin_sha256", Text)  \
    X(SKU_BIN_SIZE, "sku_bin_size", Integer)   \
    X(SENT, "sent", Text)                      \
    X(VERIFICATION, "verification", Text)      \
    X(ERROR, "error", Text)                    \
    X(REFUSED_SCANS, "refused_scans", Integer) \
    X(REWORK, "rework", Text)                  \
    X(STICK_ID, "stick_id", Text)              \
    X(SKU_SHA256, "sku_sha256", Text)          \
    X(EXTRA, "extra", Text)                    \
    X(LINE, "line", Text)

enum class Column : size_t {
#define UNITLOG_COLUMN_ENUM(id, name, type) id,
    UNITLOG_COLUMNS(UNITLOG_COLUMN_ENUM)
#undef UNITLOG_COLUMN_ENUM
};

struct ColumnInfo {
    const char* name;
    ColumnType type;
};

inline constexpr ColumnInfo COLUMNS[] = {
#define UNITLOG_COLUMN_INFO(id, name, type) {name, ColumnType::type},
    UNITLOG_COLUMNS(UNITLOG_COLUMN_INFO)
#undef UNITLOG_COLUMN_INFO
};

inline constexpr size_t COLUMN_COUNT = sizeof COLUMNS / sizeof COLUMNS[0];

inline constexpr const char* TABLE_NAME = "unit_records";

// One row; an absent field (JSON null, missing, or of another type) is empty.
struct Record {
    std::array<std::optional<std::string>, COLUMN_COUNT> fields;

    std::optional<std::string>& operator[](Column column) {
        return fields[static_cast<size_t>(column)];
    }
    const std::optional<std::string>& operator[](Column column) const {
        return fields[static_cast<size_t>(column)];
    }
};

}  // namespace unitlog
