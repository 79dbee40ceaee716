#pragma once

// The query protocol's coding, without the network: a statement is enciphered with RC4 under
// kQueryKey, percent-encoded and carried as the one field of a multipart form; a reply body is
// percent-decoded, deciphered and, for a record query, read into a RecordTable.
//
// Texts that travel are byte strings, one byte per character (statements are ASCII in practice).

#include "core/RecordTable.h"

#include <QByteArray>
#include <QLoggingCategory>

// The maker's queries: what was asked, what came back, what could not be read.
Q_DECLARE_LOGGING_CATEGORY(lcQuery)

namespace core {

// The RC4 key of the protocol, for requests and replies alike.
inline constexpr char kQueryKey[] = "KWZQMPLTRVSNHDXBF";
inline constexpr char kBoundary[] = "AaB03x";
// The most cells a record reply may ask for; a larger claim is treated as no answer. Within
// it, any number of records or fields is read.
inline constexpr qint64 kMaxCells = 1000000;

// The exact request body that carries an enciphered statement in the form field fieldName.
QByteArray requestBody(const QByteArray &fieldName, const QByteArray &statement);

// Percent-encoding: letters and digits stay, every other byte becomes "%" and two upper-case hex
// digits (a blank too: "%20").
QByteArray percentEncode(const QByteArray &text);
// Percent-decoding of a reply body: "+" is a blank, "%" reads up to two hex digits; a "%" with
// nothing after it is dropped.
QByteArray percentDecode(const QByteArray &text);

// Reads a deciphered record reply: the record count and the field count, each ended by a line
// feed, then the fields, each ended by "|", with "\\" and "\|" as escapes. The empty table for a
// count of 0, a field count below 1, a negative record count, or a claim above kMaxCells cells.
RecordTable parseRecords(const QByteArray &reply);

} // namespace core
