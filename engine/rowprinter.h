#pragma once

#include "engine/bodyfield.h"
#include "engine/bodyrow.h"

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>
#include <QVector>

#include <cstdio>

// Writes rows to a stream, and nothing else: a table aligned for reading,
// CSV (RFC 4180), or JSON, of the chosen fields in their order. All at once,
// or one row at a time as they come (JSON then gives one object per line).
class RowPrinter
{
public:
    enum class Format { Table, Csv, Json };

    // The fields by their keys.
    RowPrinter(Format format, std::FILE *out, const QStringList &keys = BodyField::defaultKeys());

    // False when the stream refused the text.
    bool printAll(const QVector<BodyRow> &rows);
    bool printHeader();
    bool printOne(const BodyRow &row);

    QByteArray render(const QVector<BodyRow> &rows) const;
    // One row as JSON prints it.
    QJsonObject jsonOf(const BodyRow &row) const;

private:
    bool write(const QByteArray &text);

    // What `get` gives of each field, in their order.
    template <typename Get> auto each(Get get) const;
    QStringList keys() const;
    QStringList titles() const;
    QStringList cellsOf(const BodyRow &row) const;
    QList<int> streamWidths() const;

    Format format;
    std::FILE *out;
    QVector<const BodyField *> fields;
};
