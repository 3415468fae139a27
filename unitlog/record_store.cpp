#include "unitlog/record_store.h"

#include <algorithm>
#include <tuple>

namespace unitlog {

namespace {

std::string quoted(const char* name) {
    return std::string("\"") + name + "\"";
}

bool isStoredOnly(size_t index) {
    return static_cast<Column>(index) == Column::LINE;
}

}  // namespace

bool isServerUrl(const std::string& database) {
    return database.rfind("postgresql://", 0) == 0 || database.rfind("postgres://", 0) == 0;
}

namespace {

// user:PASSWORD@host
std::string withoutUserPassword(const std::string& url) {
    size_t userStart = url.find("://") + 3;
    size_t hostEnd = url.find_first_of("/?", userStart);
    size_t at = url.rfind('@', hostEnd);
    if (at == std::string::npos || at < userStart)
        return url;
    size_t colon = url.find(':', userStart);
    if (colon == std::string::npos || colon > at)
        return url;
    return url.substr(0, colon + 1) + "***" + url.substr(at);
}

// ?...&password=PASSWORD&...
std::string withoutQueryPassword(std::string url) {
    size_t query = url.find('?');
    for (size_t at = query; at != std::string::npos; at = url.find('&', at + 1)) {
        if (url.compare(at + 1, 9, "password=") != 0)
            continue;
        size_t start = at + 10;
        size_t end = url.find('&', start);
        url.replace(start, end == std::string::npos ? std::string::npos : end - start, "***");
    }
    return url;
}

}  // namespace

std::string shownDatabase(const std::string& database) {
    if (!isServerUrl(database))
        return database;
    return withoutQueryPassword(withoutUserPassword(database));
}

std::unique_ptr<RecordStore> openStore(const std::string& database, OpenMode mode) {
    if (isServerUrl(database))
        return openPostgresStore(database);
    return openSqliteStore(database, mode);
}

std::string createTableSql(const char* integerType) {
    std::string sql = std::string("CREATE TABLE IF NOT EXISTS ") + TABLE_NAME + " (";
    for (size_t i = 0; i < COLUMN_COUNT; ++i) {
        const ColumnInfo& column = COLUMNS[i];
        sql += i == 0 ? "" : ", ";
        sql += quoted(column.name);
        sql += column.type == ColumnType::Integer ? std::string(" ") + integerType : " TEXT";
        if (static_cast<Column>(i) == Column::LINE_SHA256)
            sql += " PRIMARY KEY";
        if (isStoredOnly(i))
            sql += " NOT NULL";
    }
    return sql + ")";
}

std::string insertSql(std::string (*placeholder)(size_t)) {
    std::string names;
    std::string values;
    for (size_t i = 0; i < COLUMN_COUNT; ++i) {
        names += (i == 0 ? "" : ", ") + quoted(COLUMNS[i].name);
        values += (i == 0 ? "" : ", ") + placeholder(i + 1);
    }
    return std::string("INSERT INTO ") + TABLE_NAME + " (" + names + ") VALUES (" + values +
           ") ON CONFLICT (" + quoted(COLUMNS[0].name) + ") DO NOTHING";
}

std::string selectSql() {
    std::string names;
    for (size_t i = 0; i < COLUMN_COUNT; ++i) {
        if (!isStoredOnly(i))
            names += (names.empty() ? "" : ", ") + quoted(COLUMNS[i].name);
    }
    return "SELECT " + names + " FROM " + TABLE_NAME;
}

}  // namespace unitlog

// records() reads the columns in order and stops before `line`.
static_assert(static_cast<size_t>(unitlog::Column::LINE) == unitlog::COLUMN_COUNT - 1);

namespace unitlog {

void sortByTime(std::vector<Record>* records) {
    auto order = [](const Record& record) {
        const auto& time = record[Column::TIME];
        return std::make_tuple(!time.has_value(), time.value_or(""),
                               record[Column::LINE_SHA256].value_or(""));
    };
    std::sort(records->begin(), records->end(),
              [&](const Record& a, const Record& b) { return order(a) < order(b); });
}

}  // namespace unitlog
