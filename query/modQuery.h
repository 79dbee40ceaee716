#pragma once

// The query protocol to the maker's web server: a statement coded by core/QueryCodec.h is POSTed
// to the query endpoint and its reply decoded. Nothing is kept between calls.
// Failures the protocol knows of are shown in a message box; a request that gets no answer at all
// raises platform::HttpError with the platform's number and description, for the caller to catch.

#include "core/QueryCodec.h"
#include "core/RecordTable.h"
#include "platform/HttpRequest.h"

#include <QByteArray>
#include <QString>

namespace modQuery {

inline constexpr char kQueryPath[] = "/kovarapc/samplecodes/sql-link.php";

// The address of the query endpoint on the maker's web server (a build-time host).
QString QueryURL();

// Sends a statement that returns no rows in the field "query". Shows the reply unless it is
// "Query Executed!".
void ExecuteQuery(const QString &statement, const QString &url);
// Sends a SELECT in the field "rquery" and returns its records, or the empty table on a failure
// it reported itself (no reply, "#ERR#" and the server's message).
RecordTable RetrieveQuery(const QString &statement, const QString &url);

} // namespace modQuery
