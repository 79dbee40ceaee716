#pragma once

// The maker's database behind the query endpoint: an SQLite file holding the table
// KovaraPCPrograms (Model, CurrentVersion, SoftwareUpdate), created and seeded with the program's
// row when missing. Statements run one at a time on one connection (requests arrive on several
// threads). Unless writes are allowed, an SQLite authorizer lets only reading statements through,
// so an enciphered statement cannot change the database, however it is spelled.

#include <mutex>
#include <string>
#include <vector>

struct sqlite3;

namespace maker {

class QueryDatabase
{
public:
    struct Result
    {
        bool ok = false;
        std::string error;                          // SQLite's message when !ok
        int columns = 0;                            // of a statement that returns rows
        std::vector<std::vector<std::string>> rows; // NULL reads as ""
    };

    // Opens (creating and seeding when needed) the file; version and update, when not empty, are
    // written into the program row. Throws std::runtime_error when the file cannot be used.
    QueryDatabase(const std::string &path,
                  const std::string &version,
                  const std::string &update,
                  bool allowWrites);
    ~QueryDatabase();
    QueryDatabase(const QueryDatabase &) = delete;
    QueryDatabase &operator=(const QueryDatabase &) = delete;

    // Runs one statement; a second statement after it is refused.
    Result run(const std::string &sql);

private:
    void exec(const std::string &sql);

    sqlite3 *m_db = nullptr;
    std::mutex m_mutex;
};

} // namespace maker
