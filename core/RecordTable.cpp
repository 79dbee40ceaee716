#include "core/RecordTable.h"

RecordTable::RecordTable(int records, int fields)
{
    if (records < 1 || fields < 1)
        return;
    m_records = records;
    m_fields = fields;
    m_cells.resize(qsizetype(records) * fields);
}

QString RecordTable::cell(int record, int field) const
{
    if (record < 0 || record >= m_records || field < 0 || field >= m_fields)
        return QString();
    return m_cells.at(qsizetype(record) * m_fields + field);
}

void RecordTable::setCell(int record, int field, const QString &text)
{
    if (record < 0 || record >= m_records || field < 0 || field >= m_fields)
        return;
    m_cells[qsizetype(record) * m_fields + field] = text;
}

bool RecordTable::operator==(const RecordTable &other) const
{
    return m_records == other.m_records && m_fields == other.m_fields && m_cells == other.m_cells;
}
