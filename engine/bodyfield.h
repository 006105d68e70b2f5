#pragma once

#include "engine/bodyrow.h"
#include "worker/workerprotocol.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// One field of a row, described once for every program that shows rows: its
// key (in --fields, CSV and JSON), its console column, its window column
// header (translated in context "BodyField"), its JSON type, what the worker
// must read for it and how it goes into and out of a row. A new field is one
// entry in the table, a member of BodyRow, and the worker's read of it.
struct BodyField {
    // JSON: always a string; a string, or null where there is none; a number
    // or null.
    enum class Type { Text, OptionalText, Number };

    const char *key;
    const char *title;
    const char *header;
    Type type;
    int streamWidth; // console rows printed as they come cannot be measured first
    std::vector<const char *> reads; // the worker's extras (BodyReader::extras())
    QString (*text)(const BodyRow &row); // not for a Number
    // A quantity to compare and sort by, where the field is one: a Number's
    // value, a battery's percentage.
    std::optional<qint64> (*number)(const BodyRow &row);
    // Takes the field (by its key) from a worker's answer into the row,
    // where a worker reads it at all.
    void (*take)(const char *key, const WorkerProtocol::BodyAnswer &answer, BodyRow &row);
    // Takes the field from its JSON value, of the field's type, into the
    // row, where a row read back from JSON keeps it.
    void (*put)(const QJsonValue &value, BodyRow &row);

    QJsonValue json(const BodyRow &row) const;
    // As the console prints it: empty where there is none.
    QString cell(const BodyRow &row) const;

    static const BodyField *find(const QString &key);
    // The computer a row comes from: a field where rows come from several,
    // always first, and not among keys().
    static constexpr const char *hostKey = "host";
    // Every field of this computer's rows, in the order "all" gives them.
    static QStringList keys();
    // What a lister prints when not asked for anything else.
    static QStringList defaultKeys();
    // What the worker must read for these fields.
    static QStringList readsOf(const QStringList &keys);
    // Every field a worker read, from its answer into the row.
    static void takeAll(const WorkerProtocol::BodyAnswer &answer, BodyRow &row);
    // A row from a JSON object as json() gives it: fields it does not know
    // are passed over; false, with the reason, where a field is of the wrong
    // type.
    static bool fromJson(const QJsonObject &object, BodyRow &row, QString &error);
};
