#pragma once

// What the maker server's file routes need of a file and of HTTP: a file's size and validators,
// its content type, percent-decoding of a path, and one byte range of a Range header.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace maker {

struct FileInfo
{
    std::string path;
    std::uint64_t size = 0;
    std::string etag;
    std::string lastModified;
};

std::string percentDecoded(const std::string &text);
std::string httpDate(std::time_t when);
// The file's size, ETag and Last-Modified; none when it is no readable regular file.
std::optional<FileInfo> statFile(const std::string &path);
std::string contentType(const std::string &name);

// A single byte range of a file of size bytes: "bytes=A-B", "bytes=A-" or "bytes=-N".
struct Range
{
    enum Kind { None, Satisfiable, Unsatisfiable } kind = None;
    std::uint64_t first = 0;
    std::uint64_t last = 0;
};
Range parseRange(std::string_view header, std::uint64_t size);

} // namespace maker
