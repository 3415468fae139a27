// The embedded default: one SQLite file, shared by imports that run at once
// through its lock and a bounded busy wait.
#include <sqlite3.h>

#include "unitlog/record_store.h"

namespace unitlog {

namespace {

// How long an import waits for another one's transaction.
constexpr int BUSY_TIMEOUT_MS = 60000;

std::string sqlitePlaceholder(size_t number) {
    return "?" + std::to_string(number);
}

class Statement {
  public:
    Statement(sqlite3* db, const std::string& sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK)
            throw StoreError(STATUS_DATABASE_FAILED, sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return statement_; }

    // SQLITE_ROW or SQLITE_DONE; anything else is a fault.
    int step() {
        int result = sqlite3_step(statement_);
        if (result != SQLITE_ROW && result != SQLITE_DONE)
            throw StoreError(STATUS_DATABASE_FAILED, sqlite3_errmsg(db_));
        return result;
    }

  private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

class SqliteStore : public RecordStore {
  public:
    SqliteStore(const std::string& path, OpenMode mode) {
        int flags = mode == OpenMode::Create ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE
                                             : SQLITE_OPEN_READONLY;
        int result = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
        if (result == SQLITE_OK) {
            sqlite3_busy_timeout(db_, BUSY_TIMEOUT_MS);
            // SQLite opens the file lazily: a directory or a file of another
            // kind shows only at the first statement.
            result =
                sqlite3_exec(db_, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        }
        if (result != SQLITE_OK) {
            std::string reason = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
            sqlite3_close(db_);
            throw StoreError(STATUS_DATABASE_UNAVAILABLE,
                             "cannot open the SQLite database " + path + ": " + reason);
        }
    }
    ~SqliteStore() override { sqlite3_close(db_); }

    void createTable() override { execute(createTableSql("INTEGER")); }

    size_t insertBatch(const std::vector<Record>& rows) override {
        // IMMEDIATE takes the write lock at once (waiting up to the busy
        // timeout), so two imports never both hold a read lock and deadlock
        // on the upgrade.
        execute("BEGIN IMMEDIATE");
        try {
            size_t added = insertRows(rows);
            execute("COMMIT");
            return added;
        } catch (const StoreError&) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }

    std::vector<Record> records() override {
        Statement select(db_, selectSql());
        std::vector<Record> rows;
        while (select.step() == SQLITE_ROW)
            rows.push_back(rowOf(select.get()));
        return rows;
    }

  private:
    void execute(const std::string& sql) {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            std::string reason = message != nullptr ? message : sqlite3_errmsg(db_);
            sqlite3_free(message);
            throw StoreError(STATUS_DATABASE_FAILED, reason);
        }
    }

    size_t insertRows(const std::vector<Record>& rows) {
        Statement insert(db_, insertSql(sqlitePlaceholder));
        size_t added = 0;
        for (const Record& row : rows) {
            sqlite3_reset(insert.get());
            bind(insert.get(), row);
            insert.step();
            added += static_cast<size_t>(sqlite3_changes(db_));
        }
        return added;
    }

    static void bind(sqlite3_stmt* statement, const Record& row) {
        for (size_t i = 0; i < COLUMN_COUNT; ++i) {
            const auto& value = row.fields[i];
            int index = static_cast<int>(i + 1);
            if (!value)
                sqlite3_bind_null(statement, index);
            else if (COLUMNS[i].type == ColumnType::Integer)
                sqlite3_bind_int64(statement, index, std::stoll(*value));
            else
                sqlite3_bind_text(statement, index, value->data(), static_cast<int>(value->size()),
                                  SQLITE_TRANSIENT);
        }
    }

    static Record rowOf(sqlite3_stmt* statement) {
        Record row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            if (sqlite3_column_type(statement, i) == SQLITE_NULL)
                continue;
            const unsigned char* text = sqlite3_column_text(statement, i);
            int size = sqlite3_column_bytes(statement, i);
            row.fields[static_cast<size_t>(i)] =
                std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(size));
        }
        return row;
    }

    sqlite3* db_ = nullptr;
};

}  // namespace

std::unique_ptr<RecordStore> openSqliteStore(const std::string& path, OpenMode mode) {
    return std::make_unique<SqliteStore>(path, mode);
}

}  // namespace unitlog
