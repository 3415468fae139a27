#include "unitlog/csv_output.h"

namespace unitlog {

namespace {

bool isExported(size_t index) {
    return static_cast<Column>(index) != Column::LINE;
}

}  // namespace

std::string csvField(const std::string& value) {
    if (value.find_first_of("\",\r\n") == std::string::npos)
        return value;
    std::string quoted = "\"";
    for (char c : value) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + "\"";
}

void writeCsv(const std::vector<Record>& records, std::ostream& out) {
    const char* separator = "";
    for (size_t i = 0; i < COLUMN_COUNT; ++i) {
        if (isExported(i)) {
            out << separator << csvField(COLUMNS[i].name);
            separator = ",";
        }
    }
    out << "\r\n";
    for (const Record& record : records) {
        separator = "";
        for (size_t i = 0; i < COLUMN_COUNT; ++i) {
            if (isExported(i)) {
                out << separator << csvField(record.fields[i].value_or(""));
                separator = ",";
            }
        }
        out << "\r\n";
    }
}

}  // namespace unitlog
