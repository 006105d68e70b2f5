#include "list/rowprinter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>

namespace {

const QStringList kKeys
    = { QStringLiteral("port"), QStringLiteral("location"), QStringLiteral("model"),
        QStringLiteral("body_id"), QStringLiteral("error") };
const QStringList kTitles
    = { QStringLiteral("PORT"), QStringLiteral("LOCATION"), QStringLiteral("MODEL"),
        QStringLiteral("BODY ID"), QStringLiteral("ERROR") };
// Rows that come one by one cannot be measured first.
const QVector<int> kStreamWidths = { 12, 10, 24, 14, 0 };

QStringList fieldsOf(const BodyRow &row)
{
    return { row.port, row.location, row.model, row.bodyId, row.error };
}

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

QByteArray tableLine(const QStringList &cells, const QVector<int> &widths)
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

QStringList tableCells(const BodyRow &row)
{
    QStringList cells = fieldsOf(row);
    for (int i = 0; i + 1 < cells.size(); ++i)
        cells[i] = forTable(cells[i]);
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

QJsonObject jsonOf(const BodyRow &row)
{
    const QStringList fields = fieldsOf(row);
    QJsonObject object;
    for (int i = 0; i < kKeys.size(); ++i)
        object.insert(kKeys[i], fields[i]);
    return object;
}

} // namespace

RowPrinter::RowPrinter(Format format, std::FILE *out)
    : format(format)
    , out(out)
{ }

QByteArray RowPrinter::render(const QVector<BodyRow> &rows) const
{
    QByteArray text;
    switch (format) {
    case Format::Table: {
        if (rows.isEmpty())
            break;
        QVector<QStringList> lines { kTitles };
        for (const BodyRow &row : rows)
            lines << tableCells(row);
        QVector<int> widths(kTitles.size(), 0);
        for (const QStringList &cells : lines) {
            for (int i = 0; i < cells.size(); ++i)
                widths[i] = std::max(widths[i], int(cells[i].size()));
        }
        for (const QStringList &cells : lines)
            text += tableLine(cells, widths);
        break;
    }
    case Format::Csv:
        text += csvLine(kKeys);
        for (const BodyRow &row : rows)
            text += csvLine(fieldsOf(row));
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
        return write(tableLine(kTitles, kStreamWidths));
    case Format::Csv:
        return write(csvLine(kKeys));
    case Format::Json:
        return true; // JSON Lines has none
    }
    return true;
}

bool RowPrinter::printOne(const BodyRow &row)
{
    switch (format) {
    case Format::Table:
        return write(tableLine(tableCells(row), kStreamWidths));
    case Format::Csv:
        return write(csvLine(fieldsOf(row)));
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
