#pragma once

// The answer to a record query: records (rows) of fields (columns), every cell a string. The
// empty table, with no records at all, is what every failed query gives; callers treat it as no
// answer. A table that exists has at least one record and one field.

#include <QString>
#include <QVector>

class RecordTable
{
public:
    RecordTable() = default;
    // A table of the given size with every cell empty; both counts must be at least 1.
    RecordTable(int records, int fields);

    bool isEmpty() const { return m_records == 0; }
    int records() const { return m_records; }
    int fields() const { return m_fields; }
    // The cell of a record and a field; an index outside the table gives an empty string.
    QString cell(int record, int field) const;
    void setCell(int record, int field, const QString &text);

    bool operator==(const RecordTable &other) const;
    bool operator!=(const RecordTable &other) const { return !(*this == other); }

private:
    int m_records = 0;
    int m_fields = 0;
    QVector<QString> m_cells;
};
