// A PostgreSQL server shared by the line: imports from several sticks may run
// at once; the key's uniqueness decides which one stores a line.
#include <libpq-fe.h>

#include <cstring>

#include "unitlog/record_store.h"

namespace unitlog {

namespace {

// Every wait is bounded: the connection, a lock another import holds, and
// any one statement.
constexpr const char* CONNECT_TIMEOUT_SECONDS = "10";
constexpr const char* LOCK_TIMEOUT = "SET lock_timeout = '60s'";
constexpr const char* STATEMENT_TIMEOUT = "SET statement_timeout = '120s'";
// Any number of our own, so that table creation is done by one import at a time.
constexpr const char* CREATE_LOCK = "SELECT pg_advisory_xact_lock(7301)";
// A batch that lost a deadlock or serialization race is tried again.
constexpr int BATCH_ATTEMPTS = 5;
constexpr const char* INSERT_STATEMENT = "unitlog_insert";

std::string postgresPlaceholder(size_t number) {
    return "$" + std::to_string(number);
}

class Result {
  public:
    explicit Result(PGresult* result) : result_(result) {}
    ~Result() { PQclear(result_); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    PGresult* get() const { return result_; }

    bool ok() const {
        ExecStatusType status = PQresultStatus(result_);
        return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    }
    // The SQLSTATE of a failure, "" when there is none.
    std::string state() const {
        const char* code = PQresultErrorField(result_, PG_DIAG_SQLSTATE);
        return code != nullptr ? code : "";
    }

  private:
    PGresult* result_;
};

// A transaction that lost a race the server resolved by aborting it.
class Conflict : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// libpq's messages run over several lines; an `Error!` line is one.
std::string oneLine(const std::string& text) {
    std::string line;
    for (char c : text) {
        bool blank = c == '\n' || c == '\t' || c == ' ';
        if (!blank)
            line += c;
        else if (!line.empty() && line.back() != ' ')
            line += ' ';
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

class PostgresStore : public RecordStore {
  public:
    explicit PostgresStore(const std::string& url) {
        const char* keys[] = {"connect_timeout", "client_encoding", "dbname", nullptr};
        const char* values[] = {CONNECT_TIMEOUT_SECONDS, "UTF8", url.c_str(), nullptr};
        // expand_dbname: the URL's own settings, later in the list, win.
        connection_ = PQconnectdbParams(keys, values, 1);
        if (connection_ == nullptr || PQstatus(connection_) != CONNECTION_OK) {
            std::string reason = connection_ != nullptr ? PQerrorMessage(connection_) : "";
            PQfinish(connection_);
            throw StoreError(STATUS_DATABASE_UNAVAILABLE,
                             "cannot connect to the PostgreSQL server: " + oneLine(reason));
        }
        execute(LOCK_TIMEOUT);
        execute(STATEMENT_TIMEOUT);
        // "relation already exists, skipping" is no news to a line lead.
        execute("SET client_min_messages = warning");
    }
    ~PostgresStore() override { PQfinish(connection_); }

    void createTable() override {
        execute("BEGIN");
        try {
            execute(CREATE_LOCK);
            execute(createTableSql("BIGINT"));
            execute("COMMIT");
        } catch (const StoreError&) {
            rollback();
            throw;
        }
    }

    size_t insertBatch(const std::vector<Record>& rows) override {
        prepareInsert();
        for (int attempt = 1;; ++attempt) {
            try {
                return insertInTransaction(rows);
            } catch (const Conflict& conflict) {
                rollback();
                if (attempt == BATCH_ATTEMPTS)
                    throw StoreError(STATUS_DATABASE_FAILED, conflict.what());
            } catch (const StoreError&) {
                rollback();
                throw;
            }
        }
    }

    std::vector<Record> records() override {
        Result result(PQexec(connection_, selectSql().c_str()));
        check(result);
        std::vector<Record> rows;
        int columns = PQnfields(result.get());
        for (int row = 0; row < PQntuples(result.get()); ++row) {
            Record record;
            for (int column = 0; column < columns; ++column) {
                if (!PQgetisnull(result.get(), row, column))
                    record.fields[static_cast<size_t>(column)] =
                        std::string(PQgetvalue(result.get(), row, column),
                                    static_cast<size_t>(PQgetlength(result.get(), row, column)));
            }
            rows.push_back(std::move(record));
        }
        return rows;
    }

  private:
    void check(const Result& result) {
        if (result.ok())
            return;
        std::string state = result.state();
        std::string message = oneLine(PQerrorMessage(connection_));
        // 40P01 deadlock detected, 40001 serialization failure.
        if (state == "40P01" || state == "40001")
            throw Conflict(message);
        throw StoreError(STATUS_DATABASE_FAILED, message);
    }

    void execute(const char* sql) {
        Result result(PQexec(connection_, sql));
        check(result);
    }
    void execute(const std::string& sql) { execute(sql.c_str()); }

    void rollback() { Result ignored(PQexec(connection_, "ROLLBACK")); }

    void prepareInsert() {
        if (prepared_)
            return;
        std::string sql = insertSql(postgresPlaceholder);
        Result result(PQprepare(connection_, INSERT_STATEMENT, sql.c_str(),
                                static_cast<int>(COLUMN_COUNT), nullptr));
        check(result);
        prepared_ = true;
    }

    size_t insertInTransaction(const std::vector<Record>& rows) {
        execute("BEGIN");
        size_t added = 0;
        for (const Record& row : rows)
            added += insertRow(row);
        execute("COMMIT");
        return added;
    }

    size_t insertRow(const Record& row) {
        const char* values[COLUMN_COUNT];
        for (size_t i = 0; i < COLUMN_COUNT; ++i)
            values[i] = row.fields[i] ? row.fields[i]->c_str() : nullptr;
        Result result(PQexecPrepared(connection_, INSERT_STATEMENT, static_cast<int>(COLUMN_COUNT),
                                     values, nullptr, nullptr, 0));
        check(result);
        return std::strcmp(PQcmdTuples(result.get()), "1") == 0 ? 1 : 0;
    }

    PGconn* connection_ = nullptr;
    bool prepared_ = false;
};

}  // namespace

std::unique_ptr<RecordStore> openPostgresStore(const std::string& url) {
    return std::make_unique<PostgresStore>(url);
}

}  // namespace unitlog
