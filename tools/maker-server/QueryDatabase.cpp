#include "QueryDatabase.h"

#include <sqlite3.h>

#include <cstdlib>
#include <stdexcept>
#include <string_view>

namespace maker {

namespace {

int readOnly(void *, int action, const char *, const char *, const char *, const char *)
{
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}

bool onlyBlanks(std::string_view text)
{
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != ';')
            return false;
    }
    return true;
}

} // namespace

QueryDatabase::QueryDatabase(const std::string &path,
                             const std::string &version,
                             const std::string &update,
                             bool allowWrites)
{
    if (sqlite3_open_v2(path.c_str(),
                        &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr)
        != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        m_db = nullptr;
        throw std::runtime_error("cannot open database " + path + ": " + message);
    }
    sqlite3_busy_timeout(m_db, 5000);
    try {
        exec("CREATE TABLE IF NOT EXISTS KovaraPCPrograms (Model TEXT PRIMARY KEY, "
             "CurrentVersion TEXT, SoftwareUpdate TEXT)");
        exec("INSERT OR IGNORE INTO KovaraPCPrograms VALUES ('NORVESSIA', '5.0', 'N')");
        auto set = [this](const char *column, const std::string &value) {
            sqlite3_stmt *statement = nullptr;
            const std::string sql = std::string("UPDATE KovaraPCPrograms SET ") + column
                + " = ?1 WHERE Model = 'NORVESSIA'";
            if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
                throw std::runtime_error(sqlite3_errmsg(m_db));
            sqlite3_bind_text(statement, 1, value.c_str(), -1, SQLITE_TRANSIENT);
            const int rc = sqlite3_step(statement);
            sqlite3_finalize(statement);
            if (rc != SQLITE_DONE)
                throw std::runtime_error(sqlite3_errmsg(m_db));
        };
        if (!version.empty())
            set("CurrentVersion", version);
        if (!update.empty())
            set("SoftwareUpdate", update);
    } catch (const std::exception &error) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw std::runtime_error("cannot prepare database " + path + ": " + error.what());
    }
    if (!allowWrites)
        sqlite3_set_authorizer(m_db, readOnly, nullptr);
}

QueryDatabase::~QueryDatabase()
{
    sqlite3_close(m_db);
}

void QueryDatabase::exec(const std::string &sql)
{
    char *message = nullptr;
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : sqlite3_errmsg(m_db);
        sqlite3_free(message);
        throw std::runtime_error(text);
    }
}

QueryDatabase::Result QueryDatabase::run(const std::string &sql)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Result result;
    sqlite3_stmt *statement = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), static_cast<int>(sql.size()), &statement, &tail)
        != SQLITE_OK) {
        result.error = sqlite3_errmsg(m_db);
        return result;
    }
    if (!statement) {
        result.error = "empty statement";
        return result;
    }
    if (tail && !onlyBlanks(std::string_view(tail, sql.c_str() + sql.size() - tail))) {
        sqlite3_finalize(statement);
        result.error = "one statement at a time";
        return result;
    }
    result.columns = sqlite3_column_count(statement);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        std::vector<std::string> row;
        row.reserve(result.columns);
        for (int c = 0; c < result.columns; ++c) {
            const auto *text = sqlite3_column_text(statement, c);
            const int bytes = sqlite3_column_bytes(statement, c);
            row.emplace_back(text ? std::string(reinterpret_cast<const char *>(text), bytes)
                                  : std::string());
        }
        result.rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        result.error = sqlite3_errmsg(m_db);
        result.rows.clear();
    } else {
        result.ok = true;
    }
    sqlite3_finalize(statement);
    return result;
}

} // namespace maker
