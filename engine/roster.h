#pragma once

#include <QString>
#include <QVector>

// The bodies that should be attached, from a CSV file with a header that
// names a `body_id` column and, where wanted, `location`, `name` and `host`
// (the lister's own CSV is one). A body's place is its location, or its port
// where the file gives no location; a place, and a host, are compared only
// where given.
class Roster
{
public:
    struct Entry {
        QString bodyId;
        QString place;
        QString location;
        QString name;
        QString host;
        int line = 0;
    };

    // Fails with "FILE:LINE: reason" (or "FILE: reason") and keeps nothing.
    bool load(const QString &path, QString &error);

    const QVector<Entry> &entries() const { return list; }
    const Entry *find(const QString &bodyId) const;

private:
    QVector<Entry> list;
};

// Where the roster has a body, as a finding tells it: "1-1.2 on rig-b".
QString entryPlace(const Roster::Entry &entry);
