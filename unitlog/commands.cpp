#include "unitlog/commands.h"

#include <functional>

#include "unitlog/csv_output.h"
#include "unitlog/duplicates.h"
#include "unitlog/line_import.h"
#include "unitlog/record_store.h"
#include "unitlog/summary.h"
#include "unitlog/unitlog_status.h"

namespace unitlog {

namespace {

constexpr const char* USAGE =
    "unitlog import DB FILE... | unitlog dups DB | unitlog csv DB | unitlog summary DB";

struct Words {
    std::string database;
    std::vector<std::string> files;
};

int importCommand(const Words& words, std::ostream& out, std::ostream& err) {
    auto store = openStore(words.database, OpenMode::Create);
    ImportCounts counts = importFiles(*store, words.files, err);
    out << counts.lines << " lines read: " << counts.added << " new, " << counts.present
        << " already in the database, " << counts.unparsed << " not parsed\n";
    return STATUS_OK;
}

std::vector<Record> storedRecords(const Words& words) {
    auto store = openStore(words.database, OpenMode::Existing);
    std::vector<Record> records = store->records();
    sortByTime(&records);
    return records;
}

int dupsCommand(const Words& words, std::ostream& out, std::ostream&) {
    std::vector<Record> records = storedRecords(words);
    std::vector<Duplicate> duplicates = findDuplicates(records);
    for (const Duplicate& duplicate : duplicates)
        out << describe(duplicate) << "\n";
    if (duplicates.empty()) {
        out << "No value was given to more than one unit (" << records.size() << " records)\n";
        return STATUS_OK;
    }
    return STATUS_DUPLICATES;
}

int csvCommand(const Words& words, std::ostream& out, std::ostream&) {
    writeCsv(storedRecords(words), out);
    return STATUS_OK;
}

int summaryCommand(const Words& words, std::ostream& out, std::ostream&) {
    writeSummary(storedRecords(words), out);
    return STATUS_OK;
}

struct Command {
    const char* name;
    bool takesFiles;
    std::function<int(const Words&, std::ostream&, std::ostream&)> run;
};

const Command COMMANDS[] = {
    {"import", true, importCommand},
    {"dups", false, dupsCommand},
    {"csv", false, csvCommand},
    {"summary", false, summaryCommand},
};

int usageError(const std::string& reason, std::ostream& err) {
    err << "Error! " << reason << "; usage: " << USAGE << "\n";
    return STATUS_USAGE;
}

int runChecked(const Command& command, const Words& words, std::ostream& out, std::ostream& err) {
    try {
        return command.run(words, out, err);
    } catch (const InputError& error) {
        err << "Error! " << error.what() << "; nothing imported\n";
        return STATUS_INPUT_UNREADABLE;
    } catch (const StoreError& error) {
        err << "Error! " << shownDatabase(words.database) << ": " << error.what() << "\n";
        return error.status();
    }
}

}  // namespace

int runCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    if (words.empty())
        return usageError("no command", err);
    if (words[0] == "help" || words[0] == "--help") {
        out << "Usage: " << USAGE << "\n";
        return STATUS_OK;
    }
    for (const Command& command : COMMANDS) {
        if (words[0] != command.name)
            continue;
        size_t least = command.takesFiles ? 3 : 2;
        if (words.size() < least || (!command.takesFiles && words.size() > least))
            return usageError(std::string(command.name) + " takes " +
                                  (command.takesFiles ? "DB and at least one FILE" : "DB alone"),
                              err);
        Words given{words[1], {words.begin() + 2, words.end()}};
        return runChecked(command, given, out, err);
    }
    return usageError("unknown command \"" + words[0] + "\"", err);
}

}  // namespace unitlog
