// Where the records go: an SQLite file or a PostgreSQL server, behind one
// interface so that import and the reports never ask which.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "unitlog/record_columns.h"
#include "unitlog/unitlog_status.h"

namespace unitlog {

// A database fault, with the status the program ends with.
class StoreError : public std::runtime_error {
  public:
    StoreError(Status status, const std::string& message)
        : std::runtime_error(message), status_(status) {}
    Status status() const { return status_; }

  private:
    Status status_;
};

class RecordStore {
  public:
    virtual ~RecordStore() = default;
    // Creates the table unless it is there; safe while another import does
    // the same.
    virtual void createTable() = 0;
    // Stores the rows in one transaction; a row whose key is already there is
    // left alone. Returns how many were new.
    virtual size_t insertBatch(const std::vector<Record>& rows) = 0;
    // Every row without its `line`, in no particular order.
    virtual std::vector<Record> records() = 0;
};

enum class OpenMode { Create, Existing };

// `postgresql://...` (or `postgres://...`) is a server; anything else is the
// path of an SQLite file, created only for OpenMode::Create.
std::unique_ptr<RecordStore> openStore(const std::string& database, OpenMode mode);
bool isServerUrl(const std::string& database);
// The database as a message may show it: a server URL's password replaced by
// "***", so that an `Error!` line in a shift's log gives away no secret.
std::string shownDatabase(const std::string& database);

std::unique_ptr<RecordStore> openSqliteStore(const std::string& path, OpenMode mode);
std::unique_ptr<RecordStore> openPostgresStore(const std::string& url);

// SQL both back ends share; `placeholder(n)` spells parameter n (from 1).
std::string createTableSql(const char* integerType);
std::string insertSql(std::string (*placeholder)(size_t));
std::string selectSql();  // every column but `line`, in COLUMNS order

}  // namespace unitlog

namespace unitlog {

// Oldest first, records without a time last; the key breaks ties, so that
// both back ends give the same order.
void sortByTime(std::vector<Record>* records);

}  // namespace unitlog
