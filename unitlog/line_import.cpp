#include "unitlog/line_import.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "unitlog/unit_line.h"

namespace unitlog {

namespace {

// Rows per transaction: another import waits at most one batch for a lock.
constexpr size_t BATCH_ROWS = 2000;

class Batch {
  public:
    Batch(RecordStore& store, ImportCounts* counts) : store_(store), counts_(counts) {}

    void add(Record record) {
        rows_.push_back(std::move(record));
        if (rows_.size() == BATCH_ROWS)
            flush();
    }

    void flush() {
        if (rows_.empty())
            return;
        size_t added = store_.insertBatch(rows_);
        counts_->added += added;
        counts_->present += rows_.size() - added;
        rows_.clear();
    }

  private:
    RecordStore& store_;
    ImportCounts* counts_;
    std::vector<Record> rows_;
};

std::unique_ptr<std::ifstream> openInput(const std::string& name) {
    std::error_code ignored;
    if (std::filesystem::is_directory(name, ignored))
        throw InputError("cannot read " + name + ": " + std::strerror(EISDIR));
    auto input = std::make_unique<std::ifstream>(name, std::ios::binary);
    if (!*input)
        throw InputError("cannot read " + name + ": " + std::strerror(errno));
    return input;
}

void importLine(std::string line, const std::string& file, size_t number, Batch* batch,
                ImportCounts* counts, std::ostream& warnings) {
    // A file that passed through another system's copy may end its lines in
    // CR LF; the record is the same.
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    LineFault fault{0, ""};
    std::optional<Record> record = recordFromLine(line, &fault);
    if (!record) {
        ++counts->unparsed;
        warnings << "Warning! " << file << ":" << number << ": not a record (" << fault.reason
                 << " at byte " << fault.offset + 1 << ")\n";
        return;
    }
    (*record)[Column::SOURCE_FILE] = file;
    (*record)[Column::SOURCE_LINE] = std::to_string(number);
    batch->add(std::move(*record));
}

void importFile(std::istream& input, const std::string& file, Batch* batch, ImportCounts* counts,
                std::ostream& warnings) {
    std::string line;
    size_t number = 0;
    while (std::getline(input, line)) {
        ++number;
        ++counts->lines;
        importLine(std::move(line), file, number, batch, counts, warnings);
    }
    if (input.bad())
        throw InputError("reading " + file + " failed after line " + std::to_string(number));
}

}  // namespace

ImportCounts importFiles(RecordStore& store, const std::vector<std::string>& files,
                         std::ostream& warnings) {
    std::vector<std::unique_ptr<std::ifstream>> inputs;
    for (const std::string& file : files)
        inputs.push_back(openInput(file));
    store.createTable();
    ImportCounts counts;
    Batch batch(store, &counts);
    for (size_t i = 0; i < files.size(); ++i)
        importFile(*inputs[i], files[i], &batch, &counts, warnings);
    batch.flush();
    return counts;
}

}  // namespace unitlog
