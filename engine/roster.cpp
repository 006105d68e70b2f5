#include "engine/roster.h"

#include <QFile>
#include <QHash>
#include <QStringList>

namespace {

// RFC 4180 records, each with the line it starts on; line ends may be CRLF
// or LF. False, with that line, where a record breaks the format.
bool parseCsv(const QString &text, QVector<QStringList> &records, QVector<int> &lines, int &bad)
{
    int line = 1;
    int i = 0;
    while (i < text.size()) {
        const int start = line;
        QStringList fields;
        QString field;
        for (;;) {
            if (i < text.size() && text[i] == QLatin1Char('"')) {
                ++i;
                for (;;) {
                    if (i >= text.size()) {
                        bad = start;
                        return false; // a quote left open
                    }
                    const QChar c = text[i++];
                    if (c == QLatin1Char('"')) {
                        if (i < text.size() && text[i] == QLatin1Char('"')) {
                            field += c;
                            ++i;
                            continue;
                        }
                        break;
                    }
                    if (c == QLatin1Char('\n'))
                        ++line;
                    field += c;
                }
                if (i < text.size() && text[i] != QLatin1Char(',') && text[i] != QLatin1Char('\n')
                    && text[i] != QLatin1Char('\r')) {
                    bad = line;
                    return false; // text after a closing quote
                }
            } else {
                while (i < text.size() && text[i] != QLatin1Char(',')
                       && text[i] != QLatin1Char('\n') && text[i] != QLatin1Char('\r')) {
                    if (text[i] == QLatin1Char('"')) {
                        bad = line;
                        return false; // a quote inside a bare field
                    }
                    field += text[i++];
                }
            }
            fields << field;
            field.clear();
            if (i < text.size() && text[i] == QLatin1Char(',')) {
                ++i;
                continue;
            }
            break;
        }
        if (i < text.size() && text[i] == QLatin1Char('\r'))
            ++i;
        if (i < text.size() && text[i] == QLatin1Char('\n'))
            ++i;
        ++line;
        if (!(fields.size() == 1 && fields.first().isEmpty())) { // blank lines are skipped
            records << fields;
            lines << start;
        }
    }
    return true;
}

} // namespace

bool Roster::load(const QString &path, QString &error)
{
    list.clear();
    QFile file(path);
    if (!file.exists()) {
        error = path + QStringLiteral(": no such file");
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = path + QStringLiteral(": cannot be read (%1)").arg(file.errorString());
        return false;
    }
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF))) // as spreadsheets save it
        text.remove(0, 1);

    QVector<QStringList> records;
    QVector<int> lines;
    int bad = 0;
    const auto fail = [&](int line, const QString &reason) {
        error = QStringLiteral("%1:%2: %3").arg(path).arg(line).arg(reason);
        list.clear();
        return false;
    };
    if (!parseCsv(text, records, lines, bad))
        return fail(bad, QStringLiteral("this line breaks CSV"));
    QStringList header = records.value(0);
    for (QString &name : header)
        name = name.trimmed().toLower();
    const int idColumn = header.indexOf(QStringLiteral("body_id"));
    if (idColumn < 0)
        return fail(lines.value(0, 1), QStringLiteral("no body_id column in the header"));
    const int locationColumn = header.indexOf(QStringLiteral("location"));
    const int portColumn = header.indexOf(QStringLiteral("port"));
    const int nameColumn = header.indexOf(QStringLiteral("name"));
    const int hostColumn = header.indexOf(QStringLiteral("host"));

    QHash<QString, int> ids;
    QHash<QString, int> places;
    for (int r = 1; r < records.size(); ++r) {
        const QStringList &record = records[r];
        const int line = lines[r];
        if (record.size() != header.size())
            return fail(line,
                        QStringLiteral("%1 fields where the header has %2")
                            .arg(record.size())
                            .arg(header.size()));
        Entry entry;
        entry.line = line;
        entry.bodyId = record[idColumn].trimmed();
        entry.location = locationColumn < 0 ? QString() : record[locationColumn].trimmed();
        entry.place = entry.location.isEmpty() && portColumn >= 0 ? record[portColumn].trimmed()
                                                                  : entry.location;
        entry.name = nameColumn < 0 ? QString() : record[nameColumn].trimmed();
        entry.host = hostColumn < 0 ? QString() : record[hostColumn].trimmed();
        // A row of a body that could not be read names none.
        if (entry.bodyId.isEmpty())
            continue;
        if (ids.contains(entry.bodyId))
            return fail(line,
                        QStringLiteral("body %1 is also on line %2")
                            .arg(entry.bodyId)
                            .arg(ids.value(entry.bodyId)));
        // Each host has places of its own.
        const QString where = entry.host + QLatin1Char('\n') + entry.place;
        if (!entry.place.isEmpty() && places.contains(where))
            return fail(line,
                        QStringLiteral("two bodies in %1 (the other on line %2)")
                            .arg(entryPlace(entry))
                            .arg(places.value(where)));
        ids.insert(entry.bodyId, line);
        if (!entry.place.isEmpty())
            places.insert(where, line);
        list << entry;
    }
    return true;
}

QString entryPlace(const Roster::Entry &entry)
{
    if (entry.host.isEmpty())
        return entry.place;
    return entry.place.isEmpty() ? entry.host : entry.place + QStringLiteral(" on ") + entry.host;
}

const Roster::Entry *Roster::find(const QString &bodyId) const
{
    for (const Entry &entry : list) {
        if (entry.bodyId == bodyId)
            return &entry;
    }
    return nullptr;
}
