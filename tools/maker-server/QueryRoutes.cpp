// The query endpoint: a POSTed form carries one enciphered, percent-encoded SQL statement in the
// field "rquery" (answer its rows) or "query" (carry it out). Every reply is enciphered and
// percent-encoded with the same key; failures come back as "#ERR#" and SQLite's message.

#include "QueryCodec.h"
#include "QueryDatabase.h"
#include "Routes.h"

#include <iostream>
#include <memory>
#include <mutex>
#include <optional>

namespace maker {

namespace {

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char &c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// The boundary named by a multipart Content-Type ("multipart/form-data; boundary=X"; the program
// writes a comma before it), or the one the body itself starts with.
std::string boundaryOf(const Request &request)
{
    const auto type = request.find(http::field::content_type);
    if (type != request.end()) {
        const std::string value(type->value());
        const auto at = lower(value).find("boundary=");
        if (at != std::string::npos) {
            std::string boundary = value.substr(at + 9);
            const auto end = boundary.find_first_of(";, \t");
            if (end != std::string::npos)
                boundary.resize(end);
            if (boundary.size() >= 2 && boundary.front() == '"' && boundary.back() == '"')
                boundary = boundary.substr(1, boundary.size() - 2);
            if (!boundary.empty())
                return boundary;
        }
    }
    const std::string &body = request.body();
    if (body.rfind("--", 0) == 0)
        return body.substr(2, body.find_first_of("\r\n") - 2);
    return {};
}

// The value of a form field of a multipart body: the part whose content-disposition names it,
// from after its empty header line to the line break before the next boundary (or the end of
// the body: the program writes no closing "--").
std::optional<std::string>
multipartField(const std::string &body, const std::string &boundary, const std::string &name)
{
    const std::string delimiter = "--" + boundary;
    std::size_t at = body.find(delimiter);
    while (at != std::string::npos) {
        const std::size_t start = at + delimiter.size();
        const std::size_t next = body.find(delimiter, start);
        std::string part
            = body.substr(start, next == std::string::npos ? std::string::npos : next - start);
        at = next;
        if (part.rfind("\r\n", 0) == 0)
            part.erase(0, 2);
        const std::size_t headerEnd = part.find("\r\n\r\n");
        if (headerEnd == std::string::npos)
            continue;
        const std::string headers = lower(part.substr(0, headerEnd));
        if (headers.find("name=\"" + name + "\"") == std::string::npos)
            continue;
        std::string value = part.substr(headerEnd + 4);
        if (value.size() >= 2 && value.compare(value.size() - 2, 2, "\r\n") == 0)
            value.erase(value.size() - 2);
        return value;
    }
    return std::nullopt;
}

std::optional<std::string> formField(const Request &request, const std::string &name)
{
    const std::string boundary = boundaryOf(request);
    if (boundary.empty())
        return std::nullopt;
    return multipartField(request.body(), boundary, name);
}

std::string escapeField(const std::string &value)
{
    std::string out;
    out.reserve(value.size() + 1);
    for (const char c : value) {
        if (c == '\\' || c == '|')
            out += '\\';
        out += c;
    }
    out += '|';
    return out;
}

std::string recordReply(const QueryDatabase::Result &result)
{
    std::string out
        = std::to_string(result.rows.size()) + "\n" + std::to_string(result.columns) + "\n";
    for (const auto &row : result.rows) {
        for (const auto &value : row)
            out += escapeField(value);
    }
    return out;
}

} // namespace

void addQueryRoutes(Router &router, const Options &options)
{
    // Without --db the database lives in memory for the server's life: nothing is left behind
    // when a test or the demo kills the server.
    const std::string path = options.database.empty() ? std::string(":memory:") : options.database;
    auto database = std::make_shared<QueryDatabase>(
        path, options.version, options.update, options.allowWrites);
    auto logMutex = std::make_shared<std::mutex>();
    const bool quiet = options.quiet;
    if (!quiet)
        std::cerr << "kovara-maker-server: query database " << path
                  << (options.allowWrites ? " (writes allowed)" : " (read-only)") << std::endl;

    router.add("POST",
               "/kovarapc/samplecodes/sql-link.php",
               [database, logMutex, quiet](const Request &request, Connection &connection) {
                   bool records = true;
                   std::optional<std::string> field = formField(request, "rquery");
                   if (!field) {
                       field = formField(request, "query");
                       records = false;
                   }
                   std::string reply;
                   std::string statement;
                   if (!field) {
                       reply = "#ERR#No query received";
                   } else {
                       statement = rc4(kQueryKey, percentDecode(*field));
                       const QueryDatabase::Result result = database->run(statement);
                       if (!result.ok)
                           reply = "#ERR#" + result.error;
                       else if (records)
                           reply = recordReply(result);
                       else
                           reply = "Query Executed!";
                   }
                   if (!quiet) {
                       std::lock_guard<std::mutex> lock(*logMutex);
                       std::cerr << "kovara-maker-server: " << (records ? "rquery" : "query")
                                 << " \"" << statement << "\" -> "
                                 << reply.substr(0, reply.find('\n')) << std::endl;
                   }
                   Response response = makeResponse(request,
                                                    http::status::ok,
                                                    "text/html; charset=ISO-8859-1",
                                                    percentEncode(rc4(kQueryKey, reply)));
                   connection.send(response);
               });
}

} // namespace maker
