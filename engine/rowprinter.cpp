#include "engine/rowprinter.h"

#include "engine/rowwords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>

namespace {

QJsonValue text(const QString &value)
{
    return value;
}

// The body's own extras, and the roster's: JSON has null where there is none.
QJsonValue extra(const QString &value)
{
    return value.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(value);
}

QJsonValue number(const std::optional<qint64> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

struct Field {
    const char *key;
    const char *title;
    int streamWidth; // rows that come one by one cannot be measured first
    QJsonValue (*value)(const BodyRow &row);
};

// clang-format off
const Field kFields[] = {
    { "port", "PORT", 12, [](const BodyRow &r) { return text(r.port); } },
    { "location", "LOCATION", 10, [](const BodyRow &r) { return text(r.location); } },
    { "model", "MODEL", 24, [](const BodyRow &r) { return text(r.model); } },
    { "body_id", "BODY ID", 14, [](const BodyRow &r) { return text(r.bodyId); } },
    { "error", "ERROR", 16, [](const BodyRow &r) { return text(RowWords::english(r.failure)); } },
    { "name", "NAME", 10, [](const BodyRow &r) { return extra(r.name); } },
    { "check", "CHECK", 14, [](const BodyRow &r) { return extra(RowWords::english(r.findings)); } },
    { "battery", "BATTERY", 7, [](const BodyRow &r) { return extra(r.battery); } },
    { "shots", "SHOTS", 5, [](const BodyRow &r) { return number(r.shots); } },
    { "lens", "LENS", 24, [](const BodyRow &r) { return extra(r.lens); } },
    { "firmware", "FIRMWARE", 8, [](const BodyRow &r) { return extra(r.firmware); } },
    { "owner", "OWNER", 12, [](const BodyRow &r) { return extra(r.owner); } },
    { "artist", "ARTIST", 12, [](const BodyRow &r) { return extra(r.artist); } },
    { "copyright", "COPYRIGHT", 12, [](const BodyRow &r) { return extra(r.copyright); } },
    { "shutter_count", "SHUTTER COUNT", 13, [](const BodyRow &r) { return number(r.shutterCount); } },
    { "clock", "CLOCK", 19, [](const BodyRow &r) { return extra(r.clock); } },
    { "clock_offset_s", "CLOCK OFFSET S", 14, [](const BodyRow &r) { return number(r.clockOffsetS); } },
};
// clang-format on
QString cellText(const QJsonValue &value)
{
    return value.isDouble() ? QString::number(value.toVariant().toLongLong()) : value.toString();
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

RowPrinter::RowPrinter(Format format, std::FILE *out, QStringList fields)
    : format(format)
    , out(out)
{
    const QStringList known = knownFields();
    for (const QString &field : fields) {
        const int index = known.indexOf(field);
        if (index >= 0)
            this->fields << index;
    }
}

QStringList RowPrinter::knownFields()
{
    QStringList keys;
    for (const Field &field : kFields)
        keys << QLatin1String(field.key);
    return keys;
}

QStringList RowPrinter::defaultFields()
{
    return knownFields().mid(0, 5);
}

QStringList RowPrinter::keys() const
{
    QStringList keys;
    for (const int field : fields)
        keys << QLatin1String(kFields[field].key);
    return keys;
}

QVector<int> RowPrinter::streamWidths() const
{
    QVector<int> widths;
    for (const int field : fields)
        widths << kFields[field].streamWidth;
    return widths;
}

QStringList RowPrinter::titles() const
{
    QStringList titles;
    for (const int field : fields)
        titles << QLatin1String(kFields[field].title);
    return titles;
}

QStringList RowPrinter::cellsOf(const BodyRow &row) const
{
    QStringList cells;
    for (const int field : fields)
        cells << cellText(kFields[field].value(row));
    return cells;
}

// Keys in QJsonObject's own order, as they always were.
QJsonObject RowPrinter::jsonOf(const BodyRow &row) const
{
    QJsonObject object;
    for (const int field : fields)
        object.insert(QLatin1String(kFields[field].key), kFields[field].value(row));
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
        QVector<int> widths(fields.size(), 0);
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
