// The reply path of the maker's query protocol: a reply body is percent-decoded, deciphered and
// read as records. Any body must be read without a fault; encoding and enciphering must undo
// exactly what decoding and deciphering do.

#include "FuzzTarget.h"
#include "core/QueryCodec.h"
#include "core/Rc4.h"

namespace {

void readTable(const QByteArray &reply)
{
    const RecordTable table = core::parseRecords(reply);
    if (table.records() < 0 || table.fields() < 0)
        fuzzing::violated("a negative table size");
    if (qint64(table.records()) * table.fields() > core::kMaxCells)
        fuzzing::violated("a table above the cell limit");
    if (!table.isEmpty()) {
        (void)table.cell(0, 0);
        (void)table.cell(table.records() - 1, table.fields() - 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool quiet = (fuzzing::quietLogging(), true);
    (void)quiet;

    const QByteArray body(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    // A reply already deciphered, as the records reader sees it.
    readTable(body);

    // The whole path of a reply body.
    QByteArray decoded = core::percentDecode(body);
    if (decoded.size() > body.size())
        fuzzing::violated("decoding made the body longer");
    const QByteArray plain = core::rc4(core::kQueryKey, decoded);
    if (plain.size() != decoded.size())
        fuzzing::violated("deciphering changed the length");
    readTable(plain);

    // What the program sends must come back as it was.
    if (core::percentDecode(core::percentEncode(body)) != body)
        fuzzing::violated("percentDecode does not undo percentEncode");
    if (core::rc4(core::kQueryKey, core::rc4(core::kQueryKey, body)) != body)
        fuzzing::violated("deciphering does not undo enciphering");
    return 0;
}
