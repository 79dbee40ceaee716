#include "HttpFiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace maker {

std::string percentDecoded(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(text[i + 1])
            && std::isxdigit(text[i + 2])) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string httpDate(std::time_t when)
{
    std::tm tm {};
    gmtime_r(&when, &tm);
    char text[64];
    std::strftime(text, sizeof(text), "%a, %d %b %Y %H:%M:%S GMT", &tm);
    return text;
}

std::optional<FileInfo> statFile(const std::string &path)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    FileInfo info;
    info.path = path;
    info.size = static_cast<std::uint64_t>(st.st_size);
    char etag[64];
    std::snprintf(etag,
                  sizeof(etag),
                  "\"%llx-%llx\"",
                  static_cast<unsigned long long>(st.st_size),
                  static_cast<unsigned long long>(st.st_mtim.tv_sec) * 1000000000ull
                      + static_cast<unsigned long long>(st.st_mtim.tv_nsec));
    info.etag = etag;
    info.lastModified = httpDate(st.st_mtime);
    return info;
}

std::string contentType(const std::string &name)
{
    const auto dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) {
        return static_cast<char>(std::tolower(c));
    });
    if (ext == "jpg" || ext == "jpeg")
        return "image/jpeg";
    if (ext == "pdf")
        return "application/pdf";
    if (ext == "htm" || ext == "html")
        return "text/html; charset=utf-8";
    if (ext == "hex" || ext == "txt")
        return "text/plain";
    return "application/octet-stream";
}

Range parseRange(std::string_view header, std::uint64_t size)
{
    Range range;
    if (header.substr(0, 6) != "bytes=" || header.find(',') != std::string_view::npos)
        return range; // not understood, or several ranges: the whole file
    const std::string ranges(header.substr(6));
    const auto dash = ranges.find('-');
    if (dash == std::string::npos)
        return range;
    const std::string from = ranges.substr(0, dash);
    const std::string to = ranges.substr(dash + 1);
    const auto digits = [](const std::string &text) {
        return !text.empty() && text.size() < 19
            && std::all_of(
                text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
    };
    if (from.empty()) {
        if (!digits(to))
            return range;
        const std::uint64_t suffix = std::stoull(to);
        if (suffix == 0 || size == 0) {
            range.kind = Range::Unsatisfiable;
            return range;
        }
        range.kind = Range::Satisfiable;
        range.first = size - std::min(suffix, size);
        range.last = size - 1;
        return range;
    }
    if (!digits(from) || (!to.empty() && !digits(to)))
        return range;
    range.first = std::stoull(from);
    range.last = to.empty() ? (size ? size - 1 : 0) : std::stoull(to);
    if (!to.empty() && range.last < range.first)
        return Range {}; // syntactically invalid: ignored
    if (range.first >= size) {
        range.kind = Range::Unsatisfiable;
        return range;
    }
    range.last = std::min(range.last, size - 1);
    range.kind = Range::Satisfiable;
    return range;
}

} // namespace maker
