#pragma once

#include "list/bodyrow.h"

#include <QByteArray>
#include <QVector>

#include <cstdio>

// Writes rows to a stream, and nothing else: a table aligned for reading,
// CSV (RFC 4180), or JSON. All at once, or one row at a time as they come
// (JSON then gives one object per line).
class RowPrinter
{
public:
    enum class Format { Table, Csv, Json };

    RowPrinter(Format format, std::FILE *out);

    // False when the stream refused the text.
    bool printAll(const QVector<BodyRow> &rows);
    bool printHeader();
    bool printOne(const BodyRow &row);

    QByteArray render(const QVector<BodyRow> &rows) const;

private:
    bool write(const QByteArray &text);

    Format format;
    std::FILE *out;
};
