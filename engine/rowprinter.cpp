#include "engine/rowprinter.h"

#include "engine/bodyfield.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>

namespace {

// A camera names itself; a line break or escape sequence in that name must
// not break the table or reach the terminal.
QString forTable(const QString &text)
{
    if (text.isEmpty())
        return QStringLiteral("-");
    QString shown = text;
    for (QChar &c : shown) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            c = QLatin1Char('?');
    }
    return shown;
}

QByteArray tableLine(const QStringList &cells, const QList<int> &widths)
{
    QString line;
    for (int i = 0; i < cells.size(); ++i) {
        if (i > 0)
            line += QStringLiteral("  ");
        line += i + 1 < cells.size() ? cells[i].leftJustified(widths[i]) : cells[i];
    }
    while (line.endsWith(QLatin1Char(' ')))
        line.chop(1);
    return line.toUtf8() + '\n';
}

QStringList tableCells(QStringList cells)
{
    for (int i = 0; i + 1 < cells.size(); ++i)
        cells[i] = forTable(cells[i]);
    if (!cells.isEmpty())
        cells.last() = cells.last().isEmpty() ? QString() : forTable(cells.last());
    return cells;
}

QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))
        && !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray csvLine(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &field : fields)
        quoted << csvField(field);
    return quoted.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

} // namespace

RowPrinter::RowPrinter(Format format, std::FILE *out, const QStringList &keys)
    : format(format)
    , out(out)
{
    for (const QString &key : keys) {
        if (const BodyField *field = BodyField::find(key))
            fields << field;
    }
}

template <typename Get> auto RowPrinter::each(Get get) const
{
    QList<decltype(get(*fields.first()))> values;
    for (const BodyField *field : fields)
        values << get(*field);
    return values;
}

QStringList RowPrinter::keys() const
{
    return each([](const BodyField &field) { return QString::fromLatin1(field.key); });
}

QStringList RowPrinter::titles() const
{
    return each([](const BodyField &field) { return QString::fromLatin1(field.title); });
}

QStringList RowPrinter::cellsOf(const BodyRow &row) const
{
    return each([&](const BodyField &field) { return field.cell(row); });
}

QList<int> RowPrinter::streamWidths() const
{
    return each([](const BodyField &field) { return field.streamWidth; });
}

// Keys in QJsonObject's own order, as they always were.
QJsonObject RowPrinter::jsonOf(const BodyRow &row) const
{
    QJsonObject object;
    for (const BodyField *field : fields)
        object.insert(QLatin1String(field->key), field->json(row));
    return object;
}

QByteArray RowPrinter::render(const QVector<BodyRow> &rows) const
{
    QByteArray text;
    switch (format) {
    case Format::Table: {
        if (rows.isEmpty())
            break;
        QVector<QStringList> lines { titles() };
        for (const BodyRow &row : rows)
            lines << tableCells(cellsOf(row));
        QList<int> widths = each([](const BodyField &) { return 0; });
        for (const QStringList &cells : lines) {
            for (int i = 0; i < cells.size(); ++i)
                widths[i] = std::max(widths[i], int(cells[i].size()));
        }
        for (const QStringList &cells : lines)
            text += tableLine(cells, widths);
        break;
    }
    case Format::Csv:
        text += csvLine(keys());
        for (const BodyRow &row : rows)
            text += csvLine(cellsOf(row));
        break;
    case Format::Json: {
        QJsonArray array;
        for (const BodyRow &row : rows)
            array.append(jsonOf(row));
        text += QJsonDocument(array).toJson(QJsonDocument::Indented);
        break;
    }
    }
    return text;
}

bool RowPrinter::printAll(const QVector<BodyRow> &rows)
{
    return write(render(rows));
}

bool RowPrinter::printHeader()
{
    switch (format) {
    case Format::Table:
        return write(tableLine(titles(), streamWidths()));
    case Format::Csv:
        return write(csvLine(keys()));
    case Format::Json:
        return true; // JSON Lines has none
    }
    return true;
}

bool RowPrinter::printOne(const BodyRow &row)
{
    switch (format) {
    case Format::Table:
        return write(tableLine(tableCells(cellsOf(row)), streamWidths()));
    case Format::Csv:
        return write(csvLine(cellsOf(row)));
    case Format::Json:
        return write(QJsonDocument(jsonOf(row)).toJson(QJsonDocument::Compact) + '\n');
    }
    return true;
}

// Flushed at once: a script may be waiting for each row.
bool RowPrinter::write(const QByteArray &text)
{
    if (text.isEmpty())
        return true;
    const bool written
        = std::fwrite(text.constData(), 1, size_t(text.size()), out) == size_t(text.size());
    return std::fflush(out) == 0 && written && !std::ferror(out);
}
